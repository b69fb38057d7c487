#include <memory>

#include "attributes/attribute_commands.h"
#include "attributes/attribute_record.h"
#include "attributes/attribute_subject.h"
#include "attributes/date_time_parse.h"
#include "attributes/extended_attributes.h"
#include "files/file_object.h"
#include "interpreter/output.h"
#include "namespace/fs_dir_entry.h"

namespace {

// The values that the options of one SETATTRIBUTES line give.
struct RequestedValues {
    DWORD attributes = 0;
    bool somethingToSet = false;  // /size or an attribute option
    bool eaFlag = false;
    // The six DOS words; 0 where not given (a given word is never 0).
    std::uint16_t createDate = 0, createTime = 0, accessDate = 0, accessTime = 0, changeDate = 0, changeTime = 0;

    bool anyStampGiven() const {
        return (createDate | createTime | accessDate | accessTime | changeDate | changeTime) != 0;
    }
};

ReturnCode applyOption(const OptionArg& option, RequestedValues& values) {
    // A date or time the parser refuses gives 0, which is a syntax error here.
    auto word = [&option](std::uint16_t& field, std::uint16_t (*parse)(std::string_view)) -> ReturnCode {
        field = parse(option.value);
        return field == 0 ? kSyntaxError : 0;
    };
    switch (option.id) {
        case OptionId::Sync:
            break;
        case OptionId::Size:
            values.somethingToSet = true;
            break;  // the size itself is not applied
        case OptionId::ReadOnly:
            values.attributes |= FILE_ATTRIBUTE_READONLY;
            values.somethingToSet = true;
            break;
        case OptionId::Hidden:
            values.attributes |= FILE_ATTRIBUTE_HIDDEN;
            values.somethingToSet = true;
            break;
        case OptionId::System:
            values.attributes |= FILE_ATTRIBUTE_SYSTEM;
            values.somethingToSet = true;
            break;
        case OptionId::Archive:
            values.attributes |= FILE_ATTRIBUTE_ARCHIVE;
            values.somethingToSet = true;
            break;
        // Drops the bits of the options before it, not of those after it.
        case OptionId::NoneAttr:
            values.attributes = 0;
            values.somethingToSet = true;
            break;
        case OptionId::Ea:
            values.eaFlag = true;
            break;
        case OptionId::ChangeDate:
            return word(values.changeDate, parseDate);
        case OptionId::ChangeTime:
            return word(values.changeTime, parseTime);
        case OptionId::AccessDate:
            return word(values.accessDate, parseDate);
        case OptionId::AccessTime:
            return word(values.accessTime, parseTime);
        case OptionId::CreateDate:
            return word(values.createDate, parseDate);
        case OptionId::CreateTime:
            return word(values.createTime, parseTime);
        default:
            break;
    }
    return 0;
}

// The record to apply: the bits and the given words; by handle each word not given
// comes from the file's record as just read.
void fillTemporaryRecord(const RequestedValues& values, const AttributeRecord* current, AttributeRecord& record) {
    auto pick = [](std::uint16_t given, std::uint16_t read) { return given != 0 ? given : read; };
    const AttributeRecord empty;
    const AttributeRecord& base = current ? *current : empty;
    record.attributes = values.attributes;
    record.createDate = pick(values.createDate, base.createDate);
    record.createTime = pick(values.createTime, base.createTime);
    record.accessDate = pick(values.accessDate, base.accessDate);
    record.accessTime = pick(values.accessTime, base.accessTime);
    record.changeDate = pick(values.changeDate, base.changeDate);
    record.changeTime = pick(values.changeTime, base.changeTime);
}

}  // namespace

void setAttributesCommand(ParsedCommand& cmd) {
    FSDirEntry entry;
    out::line("   Processing SET ATTRIBUTES ");
    CommandState st(cmd);
    AttributeSubject subject;
    readAttributeSubject(st, cmd, subject);
    RequestedValues values;
    st.options(2,
               {OptionId::Sync, OptionId::Size, OptionId::ReadOnly, OptionId::Hidden, OptionId::System,
                OptionId::Archive, OptionId::NoneAttr, OptionId::Ea, OptionId::ChangeDate, OptionId::ChangeTime,
                OptionId::AccessDate, OptionId::AccessTime, OptionId::CreateDate, OptionId::CreateTime},
               [&values](const OptionArg& option) { return applyOption(option, values); });
    if (st.ok() && values.eaFlag) st.rc = promptForEAs(EAPromptMode::NamesAndValues);
    std::unique_ptr<AttributeRecord> record;
    if (st.ok() && (values.somethingToSet || values.anyStampGiven())) {
        record = std::make_unique<AttributeRecord>();
        const AttributeRecord* current = nullptr;
        if (subject.byHandle) {
            st.rc = subject.file->fillFromHandle();
            current = subject.file->attributeRecord();
        }
        fillTemporaryRecord(values, current, *record);
    }
    if (st.ok() && !record && !values.eaFlag) st.rc = kSyntaxError;  // nothing to set
    if (st.ok()) {
        out::text("   ... setting attributes ");
        // With /EAs alone there is no record: the EAs have nowhere to go, nothing is
        // applied and the code stays 0.
        if (subject.byHandle) {
            out::blank();
            if (record) st.rc = subject.file->setTimesByHandle(*record);
        } else {
            out::line("for " + subject.parts.qualifiedPath);
            entry.setSource(subject.parts.qualifiedPath.c_str());
            if (values.anyStampGiven()) {
                st.rc = kSyntaxError;
                out::line("   !!! Error -- in Win 32 date/time can be set only by handle !!!  ");
            } else if (record) {
                st.rc = entry.setAttributesByName(*record);
            }
        }
    }
    st.report("   ... ... the return code from the set Attributes is ");
}
