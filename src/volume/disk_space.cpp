#include "volume/disk_space.h"

#include "interpreter/last_error.h"
#include "platform/win32.h"

ReturnCode DiskSpace::query(std::uint32_t& unitSize, std::uint32_t& totalUnits, std::uint32_t& availableUnits) const {
    std::string root = name_ + "\\";
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return LastErrorCode();
    unitSize = bytesPerSector * sectorsPerCluster;
    totalUnits = totalClusters;
    availableUnits = freeClusters;
    return 0;
}
