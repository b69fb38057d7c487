// FSDirEntry: the by-name object. The path commands put a qualified name (and a
// target) into one and call one path operation, each a single Win32 call; the find
// commands hold a directory search in one; GETATTRIBUTES and SETATTRIBUTES read and
// set attribute bits by name through one. Every operation gives a ReturnCode: 0, or
// the low 16 bits of GetLastError after the failing call.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "interpreter/constants.h"
#include "namespace/attribute_record.h"
#include "platform/win32.h"

class FSDirEntry {
public:
    FSDirEntry();
    // Frees the names and the record; an open search is closed only by endSearch.
    ~FSDirEntry() = default;
    FSDirEntry(const FSDirEntry&) = delete;
    FSDirEntry& operator=(const FSDirEntry&) = delete;

    // ---- Names ----
    // A private copy of the text; a null text leaves the name unset.
    void setSource(const char* text);
    void setTarget(const char* text);
    void setReplace() { failIfExists_ = 0; }
    void setNoReplace() { failIfExists_ = 1; }

    // ---- Path operations (87 when a needed name is not set) ----
    ReturnCode makeDirectory();
    ReturnCode removeDirectory();
    ReturnCode changeDirectory();
    ReturnCode deleteFile();
    ReturnCode moveFile();
    ReturnCode copyFile();

    // ---- Attributes by name ----
    // GetFileAttributesA of the source into the record's attribute bits; nothing else.
    ReturnCode fillFromName();
    // SetFileAttributesA of the source with the record's bits, masked to read-only,
    // hidden, system, directory and archive.
    ReturnCode setAttributesByName(const AttributeRecord& record);

    // ---- The record ----
    const AttributeRecord& record() const { return *record_; }
    void copyName(std::array<char, MAX_PATH>& destination) const { record_->copyName(destination); }

    // ---- Directory search (fs_dir_entry_search.cpp) ----
    ReturnCode findFirst();
    ReturnCode findNext();
    void getNextFromGroup();
    void endSearch();
    void setItemCount(std::uint32_t value) { itemCount_ = value; }
    std::uint32_t getItemCount() const { return itemCount_; }

private:
    void fillFromFindData(const WIN32_FIND_DATAA& data);
    void freshRecord() { record_ = std::make_unique<AttributeRecord>(); }

    std::unique_ptr<AttributeRecord> record_;
    HANDLE findHandle_ = INVALID_HANDLE_VALUE;
    std::uint32_t itemCount_ = 1;
    std::uint32_t failIfExists_ = 0;
    std::optional<std::string> source_;
    std::optional<std::string> target_;
};
