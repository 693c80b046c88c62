// Every form field with a label, and the page it stands on: the label of its
// row, without the star the page shows at start-up.

#include "form/field_labels.h"

#include "form/page_rows.h"

#include <algorithm>
#include <optional>

namespace tallomir {

namespace {

struct FieldInfo {
    FieldId field;
    int page;
    const char* label;
};

// The fields without a row of their own: the lists a page holds beside its rows.
constexpr FieldInfo listFields[] = {
    {FieldId::FurtherNotes, 6, "Weitere Notizen"},
    {FieldId::Attachments, 7, "Anhänge"},
};

std::optional<FieldInfo> infoOf(FieldId field) {
    for (int page = 0; page < pageCount; ++page)
        for (const PageRow& row : pageRows(page))
            if (row.name == nullptr && row.field == field)
                return FieldInfo{field, page, row.label};
    for (const FieldInfo& info : listFields)
        if (info.field == field)
            return info;
    return std::nullopt;
}

} // namespace

std::string fieldLabel(FieldId field, bool required) {
    const std::optional<FieldInfo> info = infoOf(field);
    std::string label = info && info->label ? info->label : "";
    std::erase(label, '*');
    if (!required || label.empty())
        return label;
    // The star stands before a bracketed addition: "Land* (kurz)".
    const std::size_t bracket = label.find(" (");
    label.insert(bracket == std::string::npos ? label.size() : bracket, "*");
    return label;
}

std::string pageOf(FieldId field) {
    const std::optional<FieldInfo> info = infoOf(field);
    return info ? pageTitles[info->page] : "";
}

int pageIndexOf(FieldId field) {
    const std::optional<FieldInfo> info = infoOf(field);
    return info ? info->page : 4;
}

} // namespace tallomir
