// The creatable catalogue object: program and screen saver lists, refreshed on request
// (and on first use, so a caller that never refreshes still sees the machine's state).
#include "doffkit/ProgramListObject.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "Doffkit_h.h"
#include "common/funUtils.h"
#include "doffkit/DualObject.h"
#include "doffkit/ProgramCatalog.h"
#include "doffkit/ScreenSavers.h"

namespace doffkit {

namespace {

class ProgramListObject final : public DualObject<IProgramList, &IID_IProgramList> {
public:
    HRESULT STDMETHODCALLTYPE RefreshPrograms() override {
        return Guarded([&] {
            auto context = std::make_shared<CatalogContext>();
            entries_ = EnumerateEntries(*context);
            // Every list that refreshes reads every entry next.
            readAhead_ = ProgramEntry::ReadAhead(*context, entries_);
            context_ = std::move(context);
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE GetProgramCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return Guarded([&] {
            HRESULT hr = EnsurePrograms();
            if (SUCCEEDED(hr)) *count = static_cast<long>(entries_.size());
            return hr;
        });
    }

    HRESULT STDMETHODCALLTYPE GetProgram(long index, IProgramEntry** entry) override {
        if (!entry) return E_POINTER;
        *entry = nullptr;
        return Guarded([&] {
            HRESULT hr = EnsurePrograms();
            if (FAILED(hr)) return hr;
            if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return E_INVALIDARG;
            // A fresh entry per call: it owns its reads and outlives later refreshes.
            *entry = new ProgramEntry(context_, entries_[static_cast<size_t>(index)], readAhead_[static_cast<size_t>(index)]);
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE GetProgramByKeyPath(BSTR keyPath, IProgramEntry** entry) override {
        if (!entry) return E_POINTER;
        *entry = nullptr;
        return Guarded([&] {
            const std::optional<EntryName> name = EntryOfKeyPath(std::wstring_view(keyPath, SysStringLen(keyPath)));
            if (!name || !EntryExists(*name)) return S_FALSE;
            // Its own context: the entry reads the registry as it is now, not as the last refresh saw it.
            *entry = new ProgramEntry(std::make_shared<CatalogContext>(), *name);
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE RefreshScreenSavers() override {
        return Guarded([&] {
            savers_ = FindScreenSavers(purgeon::SystemDirectory());
            saverIcons_.clear();
            saversLoaded_ = true;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE GetScreenSaverCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return Guarded([&] {
            HRESULT hr = EnsureScreenSavers();
            if (SUCCEEDED(hr)) *count = static_cast<long>(savers_.size());
            return hr;
        });
    }

    HRESULT STDMETHODCALLTYPE GetScreenSaverFileName(long index, BSTR* value) override {
        return SaverText(index, value, &ScreenSaver::fileName);
    }
    HRESULT STDMETHODCALLTYPE GetScreenSaverPublisher(long index, BSTR* value) override {
        return SaverText(index, value, &ScreenSaver::publisher);
    }
    HRESULT STDMETHODCALLTYPE GetScreenSaverDirectory(long index, BSTR* value) override {
        return SaverText(index, value, &ScreenSaver::directory);
    }
    HRESULT STDMETHODCALLTYPE GetScreenSaverTitle(long index, BSTR* value) override {
        return SaverText(index, value, &ScreenSaver::title);
    }
    HRESULT STDMETHODCALLTYPE GetScreenSaverLastUsed(long index, BSTR* value) override {
        return SaverText(index, value, &ScreenSaver::lastUsed);
    }

    HRESULT STDMETHODCALLTYPE GetScreenSaverIconIndex(long index, long* value) override {
        if (!value) return E_POINTER;
        *value = 0;
        return Guarded([&] {
            const ScreenSaver* saver = nullptr;
            HRESULT hr = Saver(index, saver);
            if (FAILED(hr)) return hr;
            // Looked up only when asked: extracting an icon opens the file.
            if (saverIcons_.size() != savers_.size()) saverIcons_.assign(savers_.size(), -2);
            long& icon = saverIcons_[static_cast<size_t>(index)];
            if (icon == -2) icon = icons_.FileIcon(saver->directory + saver->fileName).value_or(icons_.GenericProgram());
            *value = icon;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE GetScreenSaverSize(long index, unsigned long* value) override {
        if (!value) return E_POINTER;
        *value = 0;
        return Guarded([&] {
            const ScreenSaver* saver = nullptr;
            HRESULT hr = Saver(index, saver);
            if (SUCCEEDED(hr)) *value = saver->size;
            return hr;
        });
    }

private:
    HRESULT EnsurePrograms() { return context_ ? S_OK : RefreshPrograms(); }
    HRESULT EnsureScreenSavers() { return saversLoaded_ ? S_OK : RefreshScreenSavers(); }

    HRESULT Saver(long index, const ScreenSaver*& saver) {
        HRESULT hr = EnsureScreenSavers();
        if (FAILED(hr)) return hr;
        if (index < 0 || static_cast<size_t>(index) >= savers_.size()) return E_INVALIDARG;
        saver = &savers_[static_cast<size_t>(index)];
        return S_OK;
    }

    HRESULT SaverText(long index, BSTR* value, std::wstring ScreenSaver::*field) {
        if (!value) return E_POINTER;
        *value = nullptr;
        return Guarded([&] {
            const ScreenSaver* saver = nullptr;
            HRESULT hr = Saver(index, saver);
            return FAILED(hr) ? hr : ReturnText(saver->*field, value);
        });
    }

    std::shared_ptr<CatalogContext> context_;
    std::vector<EntryName> entries_;
    std::vector<std::optional<ProgramEntry::KeyValues>> readAhead_;  // by the place in entries_
    std::vector<ScreenSaver> savers_;
    bool saversLoaded_ = false;
    std::vector<long> saverIcons_;  // -2: not looked up yet
    IconIndexCache icons_;
};

}  // namespace

HRESULT CreateProgramList(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* list = new ProgramListObject;  // holds one reference
    HRESULT hr = list->QueryInterface(iid, out);
    list->Release();
    return hr;
}

}  // namespace doffkit
