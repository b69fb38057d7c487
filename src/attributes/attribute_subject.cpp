#include "attributes/attribute_subject.h"

#include "interpreter/numbers.h"

void readAttributeSubject(CommandState& st, const ParsedCommand& cmd, AttributeSubject& subject) {
    if (!st.present(1)) return;
    std::uint32_t slot = 0;
    if (ParseDecimal32(cmd[1], slot) == 0) {
        subject.byHandle = true;
        subject.file = st.fileInUse(1);
    } else {
        st.path(1, subject.parts);
    }
}
