#pragma once

#include "Quendle/AppCommon/QuendleConfigClient.h"

#include <QByteArray>
#include <QMutex>

/// The configuration client of a program that edits layouts: a download is kept in memory and
/// handed on whole.
class cEditorQuendleConfigClient : public cQuendleConfigClient
{
    Q_OBJECT

public:
    cEditorQuendleConfigClient(const char* netObjectName, const std::array<UBYTE, 3>& ownVersion);
    ~cEditorQuendleConfigClient() override;

    /// The bytes of the last download, in the order they arrived. Read it after
    /// `DownloadConfigSuccessful` and before the next download starts.
    const QByteArray& DownloadedConfigData() const { return mConfigData; }

protected:
    void ClearDownloadedConfigDataStorage() override;
    bool AddToDownloadedConfigDataStorage(const char* data, int length) override;

private:
    QMutex mStorageMutex;
    QByteArray mConfigData;
};
