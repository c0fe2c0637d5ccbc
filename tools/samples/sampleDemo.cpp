// The demo prefix's programs: varied publishers, versions and dates, every uninstaller
// behaviour, startup entries, a patch, a Unicode name and one with very long values.
#include "tools/samples/sampleCatalog.h"

#include "sampleIcons.h"

namespace purgeon::samples {

namespace {

SampleSpec Make(const wchar_t* name, const wchar_t* display, const wchar_t* publisher, const wchar_t* version,
                UninstallBehaviour behaviour, const wchar_t* date, SampleIcon icon) {
    SampleSpec spec;
    spec.name = name;
    spec.displayName = display;
    spec.publisher = publisher;
    spec.version = version;
    spec.behaviour = behaviour;
    spec.installDate = date;
    spec.iconIndex = icon;
    return spec;
}

std::wstring Repeat(const std::wstring& text, size_t times) {
    std::wstring out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

}  // namespace

std::vector<SampleSpec> DemoSamples() {
    using B = UninstallBehaviour;
    std::vector<SampleSpec> demo;

    SampleSpec pixel = Make(L"PixelForge Studio", L"PixelForge Studio 3", L"Northwind Imaging", L"3.2.1", B::RemoveAll,
                            L"20240312", kIcon_pixelforge);
    pixel.runEntry = true;
    pixel.comments = L"Raster and vector image editor";
    demo.push_back(pixel);

    SampleSpec tune = Make(L"TuneCrate", L"TuneCrate Player", L"Harbor Audio Labs", L"11.0.4", B::Remains, L"20231105", kIcon_tunecrate);
    tune.startupShortcut = true;
    demo.push_back(tune);

    demo.push_back(Make(L"QuickZip", L"QuickZip Archiver", L"Meridian Tools", L"7.19", B::Handover, L"20240601", kIcon_quickzip));
    demo.push_back(Make(L"LedgerLite", L"LedgerLite 2024", L"Cobalt Finance GmbH", L"2024.2.0", B::Slow, L"20240115", kIcon_ledgerlite));
    demo.push_back(Make(L"OrbitChat", L"OrbitChat", L"Orbit Communications, Inc.", L"5.8.0", B::Missing, L"20220921", kIcon_orbitchat));

    SampleSpec vault = Make(L"SecureVault", L"SecureVault Password Manager", L"Keystone Security", L"4.0.2",
                            B::RemoveAll, L"20240220", kIcon_securevault);
    vault.patchId = L"KB5012345";
    demo.push_back(vault);

    SampleSpec unicode = Make(L"数据管家 Café", L"数据管家 – Édition Crème Brûlée 🚀", L"Société Générale de Logiciels 软件",
                              L"2.5.0", B::RemoveAll, L"20240405", kIcon_datakeeper);
    unicode.comments = L"Gestionnaire de données · 数据管理工具";
    demo.push_back(unicode);

    SampleSpec longValues = Make(L"MegaSuite Enterprise",
                                 L"MegaSuite Enterprise Edition with Extended Collaboration, Analytics, Reporting, "
                                 L"Document Management, Workflow Automation, Cloud Synchronisation and Legacy "
                                 L"Compatibility Components for Large Organisations (64-bit, Multilingual User "
                                 L"Interface Pack, Long Term Servicing Channel Build)",
                                 L"Consolidated Megacorp International Software Distribution and Licensing Division",
                                 L"12.0.31101.4077", B::Remains, L"20210730", kIcon_megasuite);
    longValues.comments = Repeat(L"This component suite bundles many modules for enterprise use. ", 40);
    longValues.helpLink = L"https://support.megacorp.example.com/kb/enterprise/" + Repeat(L"section/", 40) + L"index.html";
    longValues.urlInfoAbout = L"https://www.megacorp.example.com/products/megasuite/enterprise/?" +
                              Repeat(L"feature=collaboration&", 30);
    demo.push_back(longValues);

    demo.push_back(Make(L"DevPad", L"DevPad Editor", L"Lindqvist Software", L"1.9.12", B::RemoveAll, L"20240510", kIcon_devpad));
    demo.push_back(Make(L"PhotoBatch", L"PhotoBatch Resizer", L"Northwind Imaging", L"2.0", B::Remains, L"20230817", kIcon_photobatch));
    demo.push_back(Make(L"RetroArcade", L"RetroArcade Launcher", L"Pixel Panda Games", L"0.9.3-beta", B::RemoveAll,
                        L"20240701", kIcon_retroarcade));

    SampleSpec sync = Make(L"CloudSync Drive", L"CloudSync Drive", L"Stratus Data", L"2.3.118", B::Handover, L"20240228", kIcon_cloudsync);
    sync.handoverWork = B::Remains;
    sync.runEntry = true;
    sync.startupShortcut = true;
    demo.push_back(sync);

    return demo;
}

}  // namespace purgeon::samples
