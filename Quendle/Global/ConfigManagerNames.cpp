// Names and parameters of objects, and the clients told when they change.
#include "Quendle/Global/ConfigManager.h"

#include "Quendle/Global/ConfigManagerRecords.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <list>
#include <string>
#include <utility>

namespace Quendle
{

void cConfigManager::ReplyToRequestNameParam(const cZUNetMessage& request)
{
    // The request id, then a path of at least one character and its NUL.
    ULONG requestId = 0;
    const char* pathHead = nullptr;
    const char* pathText = nullptr;
    if (!request.ReadULONG(0, requestId) || !request.ReadBytes(4, 2, pathHead) || !request.ReadString(4, pathText)) {
        ZU_ERR("Unexpected message size");
        return;
    }
    const std::string path(pathText);
    const int expected = int(path.size()) + 5;
    if (expected != request.mLength) {
        ZU_ERR("Unexpected message size %d %d", request.mLength, expected);
        return;
    }

    const bool signedIn = Authenticated(request.mConnectionId, request.mSource);
    UWORD status = NameParamNotAuthenticated;
    std::list<std::pair<std::string, UWORD>> entries;
    if (signedIn)
        ResolveNameAndParameter(path, status, entries);
    else
        entries.emplace_back(std::string(), 0);

    const long computed = 4 + NamesAndParametersLength(entries);
    if (computed > ZUNET_MAX_DATA_LENGTH || entries.size() > ZUNET_MAX_DATA_LENGTH) {
        ZU_ERR("Message length error");
        return;
    }
    mReply.SetLength(static_cast<UWORD>(computed));
    mReply.SetDataBufferULONG(requestId, 0);
    if (WriteNamesAndParameters(mReply, 4, status, entries) != computed) {
        ZU_ERR("Message length error");
        return;
    }
    // Only a signed-in client is told of later changes.
    if (signedIn)
        mParamChangeInformList.insert(sParamChangeInformItem { request.mConnectionId, request.mSource, path });
    SendToClient(request.mConnectionId, request.mSource, M_NAME_PARAM_REPLY);
}

void cConfigManager::ForgetNameParam(const cZUNetMessage& request)
{
    if (!ZU_CHECK_STRING(request, 0))
        return;
    mParamChangeInformList.erase(
        sParamChangeInformItem { request.mConnectionId, request.mSource, request.GetDataBufferString(0) });
}

void cConfigManager::SendNameParamChangeMessage(const sParamChangeInformItem& item, UWORD status,
    const std::list<std::pair<std::string, UWORD>>& namesAndParameters)
{
    const long computed = long(item.mObjectPath.size()) + 1 + NamesAndParametersLength(namesAndParameters);
    if (computed > ZUNET_MAX_DATA_LENGTH || namesAndParameters.size() > ZUNET_MAX_DATA_LENGTH) {
        ZU_ERR("Invalid length");
        return;
    }
    cZUNetMessage message(static_cast<UWORD>(computed));
    message.SetDataBufferString(item.mObjectPath.c_str(), 0);
    if (WriteNamesAndParameters(message, int(item.mObjectPath.size()) + 1, status, namesAndParameters) != computed) {
        ZU_ERR("Invalid length");
        return;
    }
    message.SetAddress(item.mConnectionId, item.mHandle, mHandle, M_NAME_PARAM_UPDATE);
    SyscallSendMessage(message);
}

bool cConfigManager::ValidateObjectName(const std::string&) const
{
    return true;
}

} // namespace Quendle
