// DiskSpace: one drive name and the free-space query on it.
#pragma once

#include <cstdint>
#include <string>

#include "interpreter/constants.h"

class DiskSpace {
public:
    void setName(const std::string& drive) { name_ = drive; }
    std::string name() const { return name_; }
    std::size_t length() const { return name_.size(); }

    // Free space of the drive's root (the name followed by a backslash): bytes per
    // allocation unit, total units and units available. Gives 0 or the system's code.
    ReturnCode query(std::uint32_t& unitSize, std::uint32_t& totalUnits, std::uint32_t& availableUnits) const;

private:
    std::string name_;
};
