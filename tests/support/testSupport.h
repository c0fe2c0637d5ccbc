#pragma once
// Helpers for tests that drive real processes, windows and files under Wine.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/handles.h"

namespace purgeon::test {

// A fresh folder under the temp folder, removed with everything in it at destruction.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& label);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The folder's path with a trailing backslash.
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// Deletes a folder tree (files, subfolders, read-only files).
void RemoveTree(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// A text as a UTF-16LE file holds it, byte-order mark first.
std::string Utf16Bytes(const std::wstring& text);
// A UTF-16LE file's text after its byte-order mark; empty when it has none.
std::wstring ReadUtf16File(const std::wstring& path);
// A hidden top-level window for a form to be owned by and to disable while it is up. Hidden:
// under Wine without a window manager every top-level window shown costs about a second.
UniqueWindow CreateHiddenOwner();
// The folder of the running test executable, where the built binaries lie.
std::wstring BinDir();

// A process started for a test; killed at destruction when still running.
class ChildProcess {
public:
    ChildProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingDir = L"");
    ~ChildProcess();
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_.get(); }
    bool started() const { return static_cast<bool>(process_); }
    // Exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD Wait(DWORD milliseconds);

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// Polls until `predicate` holds or the time runs out.
bool WaitUntil(const std::function<bool()>& predicate, DWORD milliseconds);
// Visible top-level windows of a process, optionally of one window class.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className = nullptr);
// Texts of a window's child windows, in z-order.
std::vector<std::wstring> ChildTexts(HWND window);
// The first descendant window with that text.
HWND FindChildByText(HWND parent, const std::wstring& text);
// A window's client area size.
SIZE ClientSize(HWND window);
// Shows a window without activating it and lets it and its children paint whole.
void ShowAndPaint(HWND window);
// Saves what a shown window looks like as a 24-bit BMP file (its frame as the window draws
// it, since no window manager draws one here, then its client area as on screen).
bool SaveWindowPicture(HWND window, const std::wstring& path);
// The first descendant window with that control id.
HWND FindDescendant(HWND parent, int id);
// Handles every message waiting for this thread; `firstLook`, when given, sees each one first
// and uses it up by returning true, as a program's message loop lets its main window.
void Pump(const std::function<bool(const MSG&)>& firstLook = nullptr);
// Real key presses through the system's input queue: `chord`'s keys pressed in order and let go
// in reverse, with `target` focused in its window brought to the front.
void PressKeys(HWND target, std::initializer_list<WORD> chord);
// Runs `run`, which shows a modal window of `className` on this thread, and presses `key` in the
// window's focused control once it is up. True when the window then ended within five seconds;
// otherwise it is closed and the answer is false.
bool KeyEndsModal(const wchar_t* className, WORD key, const std::function<void()>& run);
// A list view's cell text, a row's index by its caption (-1 when none), all captions.
std::wstring Cell(HWND list, int row, int column);
int RowOf(HWND list, const std::wstring& caption);
std::vector<std::wstring> Captions(HWND list);
// Saves a shortcut to target at linkPath (COM must be initialised).
HRESULT MakeLink(const std::wstring& target, const std::wstring& linkPath);
// Loads a .reg file the way a user would, with the registry editor; true once it has ended.
bool LoadWithRegedit(const std::wstring& file);
// Every value of a key and its subkeys, as "path|name" -> type and bytes, to compare before and after.
using RegistryImage = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
void AddImage(RegistryImage& image, HKEY key, const std::wstring& path);
// Runs a console program and returns what it wrote to standard output.
std::string CaptureOutput(const std::wstring& exe, const std::wstring& arguments, DWORD* exitCode = nullptr);

}  // namespace purgeon::test
