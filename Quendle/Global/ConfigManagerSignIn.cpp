// Signing in: salted passwords, login tokens for other units, and the user settings read from the file.
#include "Quendle/Global/ConfigManager.h"

#include "Quendle/Global/ConfigDocumentNames.h"
#include "Quendle/Global/SaltHash.h"
#include "Quendle/Global/SecondaryUnitAuthenticator.h"
#include "Quendle/Global/UnitServices.h"
#include "ZUNet/Core/Trace.h"

#include <QFile>
#include <QMutexLocker>
#include <QXmlStreamReader>

#include <cstring>

namespace Quendle
{

namespace
{

/// The two NUL-terminated texts at the start of the data; false when either runs past the data.
bool ReadTwoStrings(const cZUNetMessage& message, const char*& first, const char*& second)
{
    if (!message.ReadString(0, first))
        return false;
    return message.ReadString(static_cast<int>(std::strlen(first)) + 1, second);
}

} // namespace

bool cConfigManager::Authenticated(UWORD connectionId, UWORD handle) const
{
    return mAuthenticationLookup.count(tClient(connectionId, handle)) != 0;
}

void cConfigManager::SetAuthenticated(UWORD connectionId, UWORD handle, UWORD userIndex)
{
    mAuthenticationLookup[tClient(connectionId, handle)] = userIndex;
}

void cConfigManager::Authenticate(const cZUNetMessage& request)
{
    // This manager speaks only the two-step form.
    if (request.mLength != 0) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const QByteArray salt = RandomBytes(kSaltLength);
    // A new salt replaces one still pending, so the answer that follows matches what was sent.
    mPendingSalts[tClient(request.mConnectionId, request.mSource)] = salt;
    const QByteArray text = salt.toBase64();
    mReply.SetLength(static_cast<UWORD>(text.size() + 1));
    mReply.SetDataBufferString(text.constData(), 0);
    SendToClient(request.mConnectionId, request.mSource, M_REPLY_OK);
}

void cConfigManager::AuthenticatePart2(const cZUNetMessage& request)
{
    const tClient client(request.mConnectionId, request.mSource);
    const auto pending = mPendingSalts.find(client);
    if (pending == mPendingSalts.end()) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    // One answer per salt, whatever it is.
    const QByteArray salt = pending->second;
    mPendingSalts.erase(pending);

    const char* userText = nullptr;
    const char* passwordText = nullptr;
    if (!ReadTwoStrings(request, userText, passwordText)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const QByteArray user = QByteArray::fromBase64(QByteArray(userText));
    const QByteArray password = QByteArray::fromBase64(QByteArray(passwordText));
    const int users = NumberOfUsers();
    for (int i = 0; i < users; ++i) {
        const UWORD index = static_cast<UWORD>(i);
        if (!IsUserValid(index))
            continue;
        if (user != SaltHash(Hash(QByteArray::fromStdString(GetUserName(index))), salt))
            continue;
        if (password != SaltHash(Hash(QByteArray::fromStdString(GetUserPassword(index))), salt))
            continue;
        mAuthenticationLookup[client] = index;
        Reply(request, M_REPLY_OK);
        return;
    }
    Reply(request, M_REPLY_FAIL);
}

void cConfigManager::ReplyLoginTokenFailure(
    const cZUNetMessage& request, eReplyFailureCodes code, const std::string& unit)
{
    // The unit's name follows the code, so the runner can tell which of its units was refused.
    if (unit.size() + 3 > ZUNET_MAX_DATA_LENGTH) {
        ReplyLoginTokenFailure(request, code, std::string());
        return;
    }
    mReply.SetLength(static_cast<UWORD>(2 + unit.size() + 1));
    mReply.SetDataBufferUWORD(static_cast<UWORD>(code), 0);
    mReply.SetDataBufferString(unit.c_str(), 2);
    SendToClient(request.mConnectionId, request.mSource, M_REPLY_FAIL);
}

void cConfigManager::GetRunnerLoginToken(const cZUNetMessage& request)
{
    const char* nameText = nullptr;
    const char* addressText = nullptr;
    const bool wellFormed = ReadTwoStrings(request, nameText, addressText);
    std::string name;
    if (request.ReadString(0, nameText))
        name = nameText;
    if (!Authenticated(request.mConnectionId, request.mSource)) {
        ReplyLoginTokenFailure(request, eReplyFailureCodes::NotAuthenticated, name);
        return;
    }
    if (!wellFormed) {
        ZU_ERR("Unexpected message size");
        ReplyLoginTokenFailure(request, eReplyFailureCodes::NoSuchUnitPassword, name);
        return;
    }
    std::string password;
    if (!GetAdminPassword(name, password)) {
        ReplyLoginTokenFailure(request, eReplyFailureCodes::NoSuchUnitPassword, name);
        return;
    }
    auto* authenticator
        = new cSecondaryUnitAuthenticator(request.mConnectionId, request.mSource, mHandle, name, addressText, password);
    mSecondaryAuthenticators.push_back(authenticator);
    authenticator->Start();
}

void cConfigManager::SetRunnerLoginToken(const cZUNetMessage& request)
{
    if (!Authenticated(request.mConnectionId, request.mSource)) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const char* address = nullptr;
    const char* token = nullptr;
    if (!request.ReadBytes(0, kTokenLength, token) || !request.ReadString(kTokenLength, address)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    mLoginTokens.emplace(std::string(address), QByteArray(token, kTokenLength));
    Reply(request, M_REPLY_OK);
}

void cConfigManager::AuthenticateByToken(const cZUNetMessage& request)
{
    const char* tokenBytes = nullptr;
    if (!request.ReadBytes(0, kTokenLength, tokenBytes)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    QHostAddress address = UnitPeerAddress(request.mConnectionId);
    if (address.isNull()) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        address = QHostAddress(ipv4);
    const QByteArray token(tokenBytes, kTokenLength);
    const auto range = mLoginTokens.equal_range(address.toString().toStdString());
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second != token)
            continue;
        mLoginTokens.erase(it);
        mAuthenticationLookup.emplace(tClient(request.mConnectionId, request.mSource), 0);
        Reply(request, M_REPLY_OK);
        return;
    }
    Reply(request, M_REPLY_FAIL);
}

bool cConfigManager::GetAdminPassword(const std::string& unitNameOrIpAddress, std::string& password)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    // The reader buffers what it reads: a second buffer in the file would only copy it once more.
    file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement()) {
        ZU_ERR("Error reading start element - found %s", reader.name().toUtf8().constData());
        return false;
    }
    const QString wanted = QString::fromStdString(unitNameOrIpAddress);
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String(ConfigNames::kUnits)) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String(ConfigNames::kUnit)
                && reader.attributes().value(QLatin1String(ConfigNames::kNameOrIpAddress)) == wanted) {
                const QString stored = reader.attributes().value(QLatin1String(ConfigNames::kPassword)).toString();
                if (stored.isEmpty())
                    return false;
                password = stored.toStdString();
                return true;
            }
            reader.skipCurrentElement();
        }
        return false;
    }
    return false;
}

void cConfigManager::CheckForAllowUserLists()
{
    mAllowUserList = false;
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!file.exists() || file.size() == 0 || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement()) {
        ZU_ERR("Error reading start element - found %s", reader.name().toUtf8().constData());
        return;
    }
    mAllowUserList = reader.attributes().value(QLatin1String(ConfigNames::kAllowUserList)) == QLatin1String("true");
}

void cConfigManager::CleanUpAuthenticators()
{
    for (auto it = mSecondaryAuthenticators.begin(); it != mSecondaryAuthenticators.end();) {
        if ((*it)->IsFinished()) {
            delete *it;
            it = mSecondaryAuthenticators.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace Quendle
