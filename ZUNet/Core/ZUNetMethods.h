#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

/// Methods common to the registry and every network object.
enum : UWORD {
    M_INVALID_MESSAGE = 0,
    M_REG_TICK = 1,
    M_REPLY_OK = 2,
    M_REPLY_FAIL = 3,
    M_REG_FIND_OBJECT = 4,
    M_TEST_PRINT_REGISTRY = 5,
    M_OBJECT_ADD_TO_INFORM_LIST = 6,
    M_OBJECT_REMOVE_FROM_INFORM_LIST = 7,
    M_OBJECT_ADD_TO_DELETE_LIST = 8,
    M_OBJECT_DELETED = 9,
    M_ALL_SET_CURRENT_STORE = 10,
    M_ALL_GET_CURRENT_STORE = 11,
    M_ALL_COPY_DEFAULT_TO_CURRENT_STORE = 12,
    M_OBJECT_REMOVE_FROM_DELETE_LIST = 13,
    M_ALL_SET_CURRENT_STORE_IF_NOT_SAFED = 14,
    M_ALL_ABSOLUTE_UPDATE_CURRENT_STORE = 15,
    M_REG_TOCK = 16,
    M_TEST_PRINT_MESS_POOLS = 17,
    M_CURRENT_STORE_TRACKING_CHANGES = 18,
    M_ALL_RELATIVE_UPDATE_CURRENT_STORE = 19,
    M_ALL_SET_CURRENT_STORE_EXTRACT_FILTERS = 20,
    M_ALL_GET_CURRENT_STORE_WITH_FILTERS = 21,
    M_REG_DO_WORK = 22,
};

constexpr UWORD NON_PARAMETER_BASE = 0x100;
constexpr UWORD PARAMETER_BASE = 0x1000;
constexpr UWORD MAX_NUMBER_OF_PARAMETERS = 0xF000;

/// Name of a common method code 0..22, nullptr for any other code.
const char* CommonMethodName(UWORD method);

/// Layout of M_OBJECT_ADD_TO_INFORM_LIST / M_OBJECT_REMOVE_FROM_INFORM_LIST data.
namespace LinkRequest
{
constexpr int kConnectionId = 0;
constexpr int kHandle = 2;
constexpr int kDestinationMethod = 4;
constexpr int kSourceMethod = 6;
constexpr int kDataGram = 8;
constexpr int kSync = 9;
constexpr UWORD kAddLength = 10;
constexpr UWORD kRemoveLength = 8;
} // namespace LinkRequest
