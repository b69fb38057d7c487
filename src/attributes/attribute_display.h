// The display of an AttributeRecord: the record of an open file (GETATTRIBUTES by
// handle), of a named entry (GETATTRIBUTES by name, and every search result), and the
// texts of DOS dates, DOS times and Win32 file times.
#pragma once

#include <cstdint>

#include "platform/win32.h"

class AttributeRecord;
class FileObject;
class FSDirEntry;

// The FileObject's record; zeros where it has none.
void printHandleAttributes(const FileObject& file);
// The entry's record, after a "file name" line when withName is 1.
void printEntryAttributes(const FSDirEntry& entry, int withName);

// Texts without a line end.
void printDosDate(std::uint16_t date);
void printDosTime(std::uint16_t time, std::uint16_t date);
void printFileTime(const FILETIME& fileTime);
