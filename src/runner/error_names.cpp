#include "runner/error_names.h"

#include <string_view>

namespace runner {

namespace {

struct CodeName {
    unsigned long long code;
    std::string_view name;
};

// The Win32 error codes that file operations give, and dravik's parse codes.
constexpr CodeName kNames[] = {
    {0, "ERROR_SUCCESS"},
    {1, "ERROR_INVALID_FUNCTION"},
    {2, "ERROR_FILE_NOT_FOUND"},
    {3, "ERROR_PATH_NOT_FOUND"},
    {4, "ERROR_TOO_MANY_OPEN_FILES"},
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {8, "ERROR_NOT_ENOUGH_MEMORY"},
    {12, "ERROR_INVALID_ACCESS"},
    {15, "ERROR_INVALID_DRIVE"},
    {16, "ERROR_CURRENT_DIRECTORY"},
    {17, "ERROR_NOT_SAME_DEVICE"},
    {18, "ERROR_NO_MORE_FILES"},
    {19, "ERROR_WRITE_PROTECT"},
    {21, "ERROR_NOT_READY"},
    {23, "ERROR_CRC"},
    {25, "ERROR_SEEK"},
    {29, "ERROR_WRITE_FAULT"},
    {30, "ERROR_READ_FAULT"},
    {31, "ERROR_GEN_FAILURE"},
    {32, "ERROR_SHARING_VIOLATION"},
    {33, "ERROR_LOCK_VIOLATION"},
    {38, "ERROR_HANDLE_EOF"},
    {39, "ERROR_HANDLE_DISK_FULL"},
    {50, "ERROR_NOT_SUPPORTED"},
    {51, "ERROR_REM_NOT_LIST"},
    {53, "ERROR_BAD_NETPATH"},
    {59, "ERROR_UNEXP_NET_ERR"},
    {64, "ERROR_NETNAME_DELETED"},
    {65, "ERROR_NETWORK_ACCESS_DENIED"},
    {67, "ERROR_BAD_NET_NAME"},
    {80, "ERROR_FILE_EXISTS"},
    {82, "ERROR_CANNOT_MAKE"},
    {87, "ERROR_INVALID_PARAMETER"},
    {109, "ERROR_BROKEN_PIPE"},
    {110, "ERROR_OPEN_FAILED"},
    {111, "ERROR_BUFFER_OVERFLOW"},
    {112, "ERROR_DISK_FULL"},
    {120, "ERROR_CALL_NOT_IMPLEMENTED"},
    {122, "ERROR_INSUFFICIENT_BUFFER"},
    {123, "ERROR_INVALID_NAME"},
    {131, "ERROR_NEGATIVE_SEEK"},
    {132, "ERROR_SEEK_ON_DEVICE"},
    {144, "ERROR_DIR_NOT_ROOT"},
    {145, "ERROR_DIR_NOT_EMPTY"},
    {158, "ERROR_NOT_LOCKED"},
    {161, "ERROR_BAD_PATHNAME"},
    {167, "ERROR_LOCK_FAILED"},
    {170, "ERROR_BUSY"},
    {183, "ERROR_ALREADY_EXISTS"},
    {206, "ERROR_FILENAME_EXCED_RANGE"},
    {234, "ERROR_MORE_DATA"},
    {254, "ERROR_INVALID_EA_NAME"},
    {255, "ERROR_EA_LIST_INCONSISTENT"},
    {259, "ERROR_NO_MORE_ITEMS"},
    {267, "ERROR_DIRECTORY"},
    {275, "ERROR_EAS_DIDNT_FIT"},
    {282, "ERROR_EAS_NOT_SUPPORTED"},
    {487, "ERROR_INVALID_ADDRESS"},
    {995, "ERROR_OPERATION_ABORTED"},
    {996, "ERROR_IO_INCOMPLETE"},
    {997, "ERROR_IO_PENDING"},
    {1006, "ERROR_FILE_INVALID"},
    {1117, "ERROR_IO_DEVICE"},
    {1224, "ERROR_USER_MAPPED_FILE"},
    {1450, "ERROR_NO_SYSTEM_RESOURCES"},
    {1460, "ERROR_TIMEOUT"},
    {666, "Syntax Error"},
    {668, "Invalid Handle"},
    {669, "Handle In Use"},
};

}  // namespace

std::string CodeText(unsigned long long code) {
    std::string text = std::to_string(code);
    for (const CodeName& entry : kNames) {
        if (entry.code == code) return text + " " + std::string(entry.name);
    }
    return text;
}

}  // namespace runner
