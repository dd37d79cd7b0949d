#include "Quendle/AppCommon/EditorQuendleConfigClient.h"

#include <QMutexLocker>

cEditorQuendleConfigClient::cEditorQuendleConfigClient(
    const char* netObjectName, const std::array<UBYTE, 3>& ownVersion)
    : cQuendleConfigClient(netObjectName, ownVersion)
{
}

cEditorQuendleConfigClient::~cEditorQuendleConfigClient()
{
    // No chunk may reach the storage while it goes.
    Unregister();
}

void cEditorQuendleConfigClient::ClearDownloadedConfigDataStorage()
{
    QMutexLocker locker(&mStorageMutex);
    mConfigData.clear();
}

bool cEditorQuendleConfigClient::AddToDownloadedConfigDataStorage(const char* data, int length)
{
    QMutexLocker locker(&mStorageMutex);
    if (length > 0)
        mConfigData.append(data, length);
    return true;
}
