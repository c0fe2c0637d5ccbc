#include "backup/reportRows.h"

#include "backup/registryEditor.h"
#include "catalogue/ProgramList.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon {

namespace {

constexpr wchar_t kComponent[] = L"Doffkit";

template <typename Getter>
std::wstring ReadText(Getter&& getter) {
    UniqueBstr text;
    CheckCom(getter(text.put()), kComponent);
    return text.str();
}

}  // namespace

std::vector<backup::ReportProgram> ReadReportPrograms(IProgramList* list, const std::vector<ListRow>& rows) {
    std::vector<backup::ReportProgram> programs;
    programs.reserve(rows.size());
    for (const ListRow& row : rows) {
        backup::ReportProgram& program = programs.emplace_back();
        program.name = row.caption;
        program.publisher = row.publisher;
        program.installLocation = row.directory;
        if (row.kind != RowKind::Program) continue;
        ComPtr<IProgramEntry> entry;
        CheckCom(list->GetProgram(row.index, entry.put()), kComponent);
        if (!entry) continue;
        program.version = ReadText([&](BSTR* out) { return entry->GetVersion(out); });
        program.installDate = ReadText([&](BSTR* out) { return entry->GetInstallDate(out); });
        float size = 0;
        CheckCom(entry->GetSize(&size), kComponent);
        program.sizeBytes = size;
        ComPtr<IProgramEntry2> where;
        CheckCom(entry->QueryInterface(IID_IProgramEntry2, where.put_void()), kComponent);
        program.key = ReadText([&](BSTR* out) { return where->GetKeyPath(out); });
        program.uninstallCommand = ReadText([&](BSTR* out) { return entry->GetUninstallString(out); });
        program.comment = ReadEntryComment(entry.get());
    }
    return programs;
}

}  // namespace purgeon
