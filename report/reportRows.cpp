#include "report/reportRows.h"

#include "backup/registryEditor.h"
#include "catalogue/ProgramList.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon {

std::vector<report::ReportProgram> ReadReportPrograms(IProgramList* list, const std::vector<ListRow>& rows) {
    std::vector<report::ReportProgram> programs;
    programs.reserve(rows.size());
    for (const ListRow& row : rows) {
        report::ReportProgram& program = programs.emplace_back();
        program.name = row.caption;
        program.publisher = row.publisher;
        program.installLocation = row.directory;
        if (row.kind != RowKind::Program) continue;
        // Read by its key as it is now: an entry gone since the fill is listed by what the row shows.
        ComPtr<IProgramEntry> entry = EntryAtKey(list, row.keyPath);
        if (!entry) continue;
        program.version = ComText([&](BSTR* out) { return entry->GetVersion(out); });
        program.installDate = ComText([&](BSTR* out) { return entry->GetInstallDate(out); });
        program.sizeBytes = ReadEntrySizeBytes(entry.get());
        ComPtr<IProgramEntry2> where;
        CheckCom(entry->QueryInterface(IID_IProgramEntry2, where.put_void()), kComponentName);
        program.key = ComText([&](BSTR* out) { return where->GetKeyPath(out); });
        program.uninstallCommand = ComText([&](BSTR* out) { return entry->GetUninstallString(out); });
        program.comment = ReadEntryComment(entry.get());
    }
    return programs;
}

}  // namespace purgeon
