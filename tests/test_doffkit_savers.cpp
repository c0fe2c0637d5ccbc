// Screen savers: *.scr files placed in the real system folder of the test prefix.
#include "tests/test_doffkit_support.h"

#include <regex>

#include "tests/support/testSupport.h"

namespace doffkit_test {

namespace {

// A file copied into the system folder for one test.
class PlacedFile {
public:
    explicit PlacedFile(std::wstring name) : path_(IncludeTrailingBackslash(SystemDirectory()) + name) {}
    ~PlacedFile() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

long SaverIndex(IProgramList* list, const std::wstring& fileName) {
    long count = 0;
    EXPECT_EQ(S_OK, list->GetScreenSaverCount(&count));
    for (long i = 0; i < count; ++i)
        if (ReadAt(list, &IProgramList::GetScreenSaverFileName, i) == fileName) return i;
    return -1;
}

}  // namespace

using DoffkitScreenSavers = ComTest;

TEST_F(DoffkitScreenSavers, ListSystemFolderSaversWithTheirVersionStrings) {
    const std::wstring withVersion = UniqueName(L"Saver") + L".scr";
    const std::wstring bare = UniqueName(L"Bare") + L".scr";
    const std::wstring notASaver = UniqueName(L"Other") + L".scrx";
    PlacedFile saver(withVersion), plain(bare), other(notASaver);
    ASSERT_TRUE(CopyFileW(ModuleFileName(nullptr).c_str(), saver.path().c_str(), FALSE));
    purgeon::test::WriteFileBytes(plain.path(), std::string(1234, 'z'));
    purgeon::test::WriteFileBytes(other.path(), "not listed");
    const std::string copied = purgeon::test::ReadFileBytes(saver.path());

    ComPtr<IProgramList> list = CreateList();
    ASSERT_EQ(S_OK, list->RefreshScreenSavers());
    const long i = SaverIndex(list.get(), withVersion);
    ASSERT_LE(0, i);
    IProgramList* l = list.get();
    EXPECT_EQ(L"Purgeon Testschoner", ReadAt(l, &IProgramList::GetScreenSaverTitle, i));
    EXPECT_EQ(L"Purgeon Prüfstand GmbH", ReadAt(l, &IProgramList::GetScreenSaverPublisher, i));
    EXPECT_EQ(IncludeTrailingBackslash(SystemDirectory()),
              ReadAt(l, &IProgramList::GetScreenSaverDirectory, i));
    unsigned long size = 0;
    EXPECT_EQ(S_OK, l->GetScreenSaverSize(i, &size));
    EXPECT_EQ(copied.size(), size);
    const std::wstring lastUsed = ReadAt(l, &IProgramList::GetScreenSaverLastUsed, i);
    EXPECT_TRUE(std::regex_match(ToUtf8(lastUsed), std::regex(R"(\d{4}-\d{2}-\d{2})"))) << ToUtf8(lastUsed);
    long icon = -1;
    EXPECT_EQ(S_OK, l->GetScreenSaverIconIndex(i, &icon));
    EXPECT_LE(0, icon);

    const long j = SaverIndex(l, bare);
    ASSERT_LE(0, j) << "a saver without a version resource is still listed";
    EXPECT_EQ(L"", ReadAt(l, &IProgramList::GetScreenSaverTitle, j));
    EXPECT_EQ(L"", ReadAt(l, &IProgramList::GetScreenSaverPublisher, j));
    EXPECT_EQ(S_OK, l->GetScreenSaverSize(j, &size));
    EXPECT_EQ(1234u, size);
    EXPECT_EQ(-1, SaverIndex(l, notASaver));

    // Out of range, and gone after a refresh once deleted.
    long count = 0;
    ASSERT_EQ(S_OK, l->GetScreenSaverCount(&count));
    BSTR untouched = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(E_INVALIDARG, l->GetScreenSaverTitle(count, &untouched));
    EXPECT_EQ(nullptr, untouched);
    EXPECT_EQ(E_INVALIDARG, l->GetScreenSaverSize(-1, &size));
    EXPECT_EQ(E_INVALIDARG, l->GetScreenSaverIconIndex(count, &icon));
    EXPECT_EQ(E_POINTER, l->GetScreenSaverFileName(0, nullptr));
    ASSERT_TRUE(DeleteFileW(plain.path().c_str()));
    ASSERT_EQ(S_OK, l->RefreshScreenSavers());
    EXPECT_EQ(-1, SaverIndex(l, bare));
}

}  // namespace doffkit_test
