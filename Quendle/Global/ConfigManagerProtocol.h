#pragma once

#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/Core/ZUNetTypes.h"

#include "ZUNet/QT/NetworkMetaTypes.h" // std::string as a meta type

#include <QMetaType>

#include <string>

/// What a configuration client and a unit's configuration manager agree on byte for byte.
/// Method numbers are counted separately in each direction.
namespace Quendle
{

constexpr const char* kConfigManagerName = "Quendle Config Manager";
constexpr const char* kManagerVersionName = "Quendle Manager Version";
constexpr const char* kUserListServerName = "Quendle User List Server";

/// Requests, client to manager.
enum : UWORD {
    M_GET_RUNNER_CONFIG = NON_PARAMETER_BASE + 0,
    M_GET_FULL_CONFIG = NON_PARAMETER_BASE + 1,
    M_STORE_CONFIG = NON_PARAMETER_BASE + 2,
    M_REQUEST_NAME_PARAM = NON_PARAMETER_BASE + 3,
    M_AUTHENTICATE = NON_PARAMETER_BASE + 4,
    M_FORGET_NAME_PARAM = NON_PARAMETER_BASE + 5,
    M_ADD_SYNC_CLIENT = NON_PARAMETER_BASE + 6,
    M_AUTHENTICATE_PART2 = NON_PARAMETER_BASE + 7,
    M_GET_RUNNER_LOGIN_TOKEN = NON_PARAMETER_BASE + 8,
    M_SET_RUNNER_LOGIN_TOKEN = NON_PARAMETER_BASE + 9,
    M_AUTHENTICATE_BY_TOKEN = NON_PARAMETER_BASE + 10,
    M_ADD_RUNNER_TO_INFORM_LIST = NON_PARAMETER_BASE + 11,
};

/// Notices, manager to client.
enum : UWORD {
    M_MANAGER_STATUS = NON_PARAMETER_BASE + 0,
    M_NAME_PARAM_REPLY = NON_PARAMETER_BASE + 1,
    M_NAME_PARAM_UPDATE = NON_PARAMETER_BASE + 2,
    M_CONFIG_UPDATED = NON_PARAMETER_BASE + 3,
    M_SCENE_CHANGED = NON_PARAMETER_BASE + 4,
    M_UPLOAD_PROGRESS = NON_PARAMETER_BASE + 5,
};

/// Request to the manager version object.
constexpr UWORD M_GET_MANAGER_VERSION = NON_PARAMETER_BASE + 0;

/// Parameters of the manager.
enum : UWORD {
    P_LAST_SCENE_RECALLED = PARAMETER_BASE + 0,
    P_SCENE_HEADER_CHANGED = PARAMETER_BASE + 1,
    P_CONFIG_FILE_PRESENT = PARAMETER_BASE + 2,
};

constexpr int kChunkSize = 32000;
constexpr int kChunkHeaderSize = 4;
constexpr int kSaltLength = 64;
constexpr int kTokenLength = 64;

/// Why a login token could not be had. 0 and 1 come from the primary unit's manager itself.
enum class eReplyFailureCodes : UWORD {
    NotAuthenticated = 0,
    NoSuchUnitPassword = 1,
    UnitNotFound = 2,
    ClientVersionTooOld = 3,
    ManagerVersionTooOld = 4,
    ConnectionLost = 5,
    AuthenticationFailed = 6,
    AddressNotResolved = 7,
    SetTokenFailed = 8,
};

/// Status of a name-and-parameter answer: 0 resolved; the manager itself produces 1; other values
/// are the unit's and pass through.
enum eRequestNameParamStatusCode : UWORD {
    NameParamResolved = 0,
    NameParamNotAuthenticated = 1,
};

/// Status word of M_MANAGER_STATUS.
enum class eStatusCodes : UWORD {
    Success = 0,
    FileError = 1,
    SequenceError = 2,
    NotAuthenticated = 3,
    UploadInProgress = 4,
    ParseFailed = 5,
};

enum eDeviceTypes : UBYTE {
    Desktop = 0,
    Phone = 1,
    Tablet = 2,
};

/// A runner known to a configuration manager.
struct sRunnerInformItem {
    UWORD mConnectionId;
    UWORD mHandle;
    UBYTE mDeviceType;
    std::string mUserName;
};

/// Who asked for which object path, for later updates.
struct sParamChangeInformItem {
    UWORD mConnectionId;
    UWORD mHandle;
    std::string mObjectPath;

    bool operator<(const sParamChangeInformItem& other) const
    {
        if (mConnectionId != other.mConnectionId)
            return mConnectionId < other.mConnectionId;
        if (mHandle != other.mHandle)
            return mHandle < other.mHandle;
        return mObjectPath < other.mObjectPath;
    }
};

/// Version packed for comparison: major * 65536 + minor * 256 + sub.
constexpr qint64 ToVersionLong(UBYTE major, UBYTE minor, UBYTE sub)
{
    return qint64(major) * 65536 + qint64(minor) * 256 + sub;
}

} // namespace Quendle

Q_DECLARE_METATYPE(Quendle::eReplyFailureCodes)
