// SETATTRIBUTES in its steps: read the options, ask for EAs, plan the record to apply
// (by handle the stamps not given come from the file), then apply it by handle (the
// time stamps) or by name (the attribute bits).
#include <optional>

#include "attributes/attribute_commands.h"
#include "attributes/attribute_subject.h"
#include "attributes/date_time_parse.h"
#include "files/file_object.h"
#include "interpreter/extended_attributes.h"
#include "interpreter/output.h"
#include "namespace/attribute_record.h"
#include "namespace/fs_dir_entry.h"

namespace {

// One time stamp as the options give it: a DOS date word and a DOS time word.
struct StampWords {
    std::optional<std::uint16_t> date, time;

    bool given() const { return date || time; }
};

// What the options of one SETATTRIBUTES line ask for.
struct Request {
    // The attribute bits; present once /SIZE or an attribute option is given (the size
    // itself is not applied).
    std::optional<DWORD> bits;
    bool eas = false;
    StampWords create, access, change;

    bool stampGiven() const { return create.given() || access.given() || change.given(); }
};

ReturnCode applyOption(const OptionArg& option, Request& request) {
    // A date or time the parser refuses gives 0, which is a syntax error here.
    auto word = [&option](std::optional<std::uint16_t>& field, std::uint16_t (*parse)(std::string_view)) {
        field = parse(option.value);
        return *field == 0 ? kSyntaxError : ReturnCode{0};
    };
    auto addBits = [&request](DWORD bits) { request.bits = request.bits.value_or(0) | bits; };
    switch (option.id) {
        case OptionId::Size:
            addBits(0);
            break;
        case OptionId::ReadOnly:
            addBits(FILE_ATTRIBUTE_READONLY);
            break;
        case OptionId::Hidden:
            addBits(FILE_ATTRIBUTE_HIDDEN);
            break;
        case OptionId::System:
            addBits(FILE_ATTRIBUTE_SYSTEM);
            break;
        case OptionId::Archive:
            addBits(FILE_ATTRIBUTE_ARCHIVE);
            break;
        // Drops the bits of the options before it, not of those after it.
        case OptionId::NoneAttr:
            request.bits = 0;
            break;
        case OptionId::Ea:
            request.eas = true;
            break;
        case OptionId::ChangeDate:
            return word(request.change.date, parseDate);
        case OptionId::ChangeTime:
            return word(request.change.time, parseTime);
        case OptionId::AccessDate:
            return word(request.access.date, parseDate);
        case OptionId::AccessTime:
            return word(request.access.time, parseTime);
        case OptionId::CreateDate:
            return word(request.create.date, parseDate);
        case OptionId::CreateTime:
            return word(request.create.time, parseTime);
        default:
            break;  // /SYNC: accepted, the change is the same
    }
    return 0;
}

Request readRequest(CommandState& st) {
    Request request;
    st.options(2,
               {OptionId::Sync, OptionId::Size, OptionId::ReadOnly, OptionId::Hidden, OptionId::System,
                OptionId::Archive, OptionId::NoneAttr, OptionId::Ea, OptionId::ChangeDate, OptionId::ChangeTime,
                OptionId::AccessDate, OptionId::AccessTime, OptionId::CreateDate, OptionId::CreateTime},
               [&request](const OptionArg& option) { return applyOption(option, request); });
    return request;
}

// The record to apply: the bits and the given words, each word not given taken from
// base.
AttributeRecord planRecord(const Request& request, const AttributeRecord& base) {
    AttributeRecord record;
    record.attributes = request.bits.value_or(0);
    record.createDate = request.create.date.value_or(base.createDate);
    record.createTime = request.create.time.value_or(base.createTime);
    record.accessDate = request.access.date.value_or(base.accessDate);
    record.accessTime = request.access.time.value_or(base.accessTime);
    record.changeDate = request.change.date.value_or(base.changeDate);
    record.changeTime = request.change.time.value_or(base.changeTime);
    return record;
}

// By handle the record starts from the file's status as just read; by name from an
// empty record. Nothing when the line asks for no change.
std::optional<AttributeRecord> plan(CommandState& st, const AttributeSubject& subject, const Request& request) {
    if (!request.bits && !request.stampGiven()) return std::nullopt;
    if (!subject.byHandle) return planRecord(request, AttributeRecord{});
    st.rc = subject.file->fillFromHandle();
    const AttributeRecord* current = subject.file->attributeRecord();
    return planRecord(request, current ? *current : AttributeRecord{});
}

// By handle only the time stamps are set.
ReturnCode applyByHandle(FileObject& file, const std::optional<AttributeRecord>& record) {
    out::blank();
    return record ? file.setTimesByHandle(*record) : 0;
}

// By name only the bits are set: a time stamp cannot be set by name.
ReturnCode applyByName(const PathParts& parts, const Request& request, const std::optional<AttributeRecord>& record) {
    out::line("for " + parts.qualifiedPath);
    if (request.stampGiven()) {
        out::line("   !!! Error -- in Win 32 date/time can be set only by handle !!!  ");
        return kSyntaxError;
    }
    if (!record) return 0;
    FSDirEntry entry;
    entry.setSource(parts.qualifiedPath.c_str());
    return entry.setAttributesByName(*record);
}

}  // namespace

void setAttributesCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing SET ATTRIBUTES ");
    CommandState st(run, cmd);
    AttributeSubject subject;
    readAttributeSubject(st, cmd, subject);
    Request request = readRequest(st);
    if (st.ok() && request.eas) st.rc = promptForEAs(EAPromptMode::NamesAndValues);
    std::optional<AttributeRecord> record;
    if (st.ok()) record = plan(st, subject, request);
    // With /EAs alone there is no record: the EAs have nowhere to go, nothing is
    // applied and the code stays 0.
    if (st.ok() && !record && !request.eas) st.rc = kSyntaxError;  // nothing to set
    if (st.ok()) {
        out::text("   ... setting attributes ");
        st.rc = subject.byHandle ? applyByHandle(*subject.file, record) : applyByName(subject.parts, request, record);
    }
    st.report("   ... ... the return code from the set Attributes is ");
}
