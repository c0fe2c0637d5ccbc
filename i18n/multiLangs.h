#pragma once
// The process-wide text table: every text the user sees, keyed IDS_..., with its English default,
// and the language files ("Langs\*.ini", section "Language") that replace the texts.
// Written only on the main thread: at start and on a language switch.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace purgeon {

// In file order: the order of reading and of writing a language file.
enum TextKey {
    IDS_MAINFORM_MENU_File,
    IDS_MAINFORM_MENU_FILE_NewProgram,
    IDS_MAINFORM_MENU_FILE_ExportRegInfo,
    IDS_MAINFORM_MENU_FILE_ReloadRegInfo,
    IDS_MAINFORM_MENU_FILE_CreateBackup,
    IDS_MAINFORM_MENU_FILE_ExportPrmList,
    IDS_MAINFORM_MENU_FILE_Exit,
    IDS_MAINFORM_MENU_View,
    IDS_MAINFORM_MENU_VIEW_Grid,
    IDS_MAINFORM_MENU_VIEW_Tips,
    IDS_MAINFORM_MENU_VIEW_Icon,
    IDS_MAINFORM_MENU_VIEW_List,
    IDS_MAINFORM_MENU_VIEW_Report,
    IDS_MAINFORM_MENU_VIEW_Refresh,
    IDS_MAINFORM_MENU_VIEW_Languages,
    IDS_MAINFORM_MENU_Tools,
    IDS_MAINFORM_MENU_TOOLS_CommentEntry,
    IDS_MAINFORM_MENU_TOOLS_Regedit,
    IDS_MAINFORM_MENU_TOOLS_WindowsUpdate,
    IDS_MAINFORM_MENU_TOOLS_WindowsServices,
    IDS_MAINFORM_MENU_TOOLS_WindowsComponents,
    IDS_MAINFORM_ScreenSaver,
    IDS_MAINFORM_MENU_Help,
    IDS_MAINFORM_MENU_HELP_HelpContent,
    IDS_MAINFORM_MENU_HELP_OnlineRes,
    IDS_MAINFORM_MENU_HELP_Contact,
    IDS_MAINFORM_MENU_HELP_About,
    IDS_PAGECONTROL_TABSHEETPL_Title,
    IDS_LISTVIEW_COLUMNS_Descriptions,
    IDS_LISTVIEW_COLUMNS_Publisher,
    IDS_LISTVIEW_COLUMNS_Directory,
    IDS_LISTVIEW_RIGHTCLICK_Uninstall,
    IDS_LISTVIEW_RIGHTCLICK_CommentEntry,
    IDS_LISTVIEW_RIGHTCLICK_RegistryEditor,
    IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo,
    IDS_LISTVIEW_RIGHTCLICK_ShowDetails,
    IDS_LISTVIEW_RIGHTCLICK_View,
    IDS_LISTVIEW_RIGHTCLICK_ViewIcon,
    IDS_LISTVIEW_RIGHTCLICK_ViewList,
    IDS_LISTVIEW_RIGHTCLICK_ViewReport,
    IDS_LISTVIEW_TIPS_Size,
    IDS_LISTVIEW_TIPS_ScrName,
    IDS_LISTVIEW_TIPS_LastUsed,
    IDS_LISTVIEW_TIPS_UsedFrequency,
    IDS_LISTVIEW_TIPS_UninstallString,
    IDS_ListView_Tips_UsedFrequency_Rarely,
    IDS_ListView_Tips_UsedFrequency_Occasionally,
    IDS_ListView_Tips_UsedFrequency_Frequently,
    IDS_SIDEBAR_BUTTON_Uninstall,
    IDS_SIDEBAR_BUTTON_DeleteScr,
    IDS_SIDEBAR_BUTTON_SHOWDETAILS,
    IDS_SIDEBAR_BUTTON_Refresh,
    IDS_SIDEBAR_GROUPBOX_TITLE_Search,
    IDS_SIDEBAR_GROUPBOX_LABEL_Info,
    IDS_SIDEBAR_GROUPBOX_BUTTON_Search,
    IDS_SIDEBAR_CHECKBOX_HideSysPatch,
    IDS_SIDEBAR_CHECKBOX_HideScr,
    IDS_STATUSBAR_LABEL_Programs,
    IDS_STATUSBAR_LABEL_RegistryName,
    IDS_PAGECONTROL_TABSHEETSIL_Title,
    IDS_LISTVIEW_COLUMNS_StatrupItem,
    IDS_LISTVIEW_COLUMNS_Command,
    IDS_LISTVIEW_COLUMNS_Location,
    IDS_LISTVIEW_RIGHTCLICK_AddItem,
    IDS_LISTVIEW_RIGHTCLICK_DeleteItem,
    IDS_LISTVIEW_RIGHTCLICK_Refresh,
    IDS_SIDEBAR_BUTTON_SelectAll,
    IDS_SIDEBAR_BUTTON_UnSelectAll,
    IDS_SIDEBAR_BUTTON_Delete,
    IDS_SIDEBAR_BUTTON_Apply,
    IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo,
    IDS_SIDEBAR_GROUPBOX_LABEL_Publisher,
    IDS_SIDEBAR_GROUPBOX_LABEL_Version,
    IDS_SIDEBAR_GROUPBOX_LABEL_Description,
    IDS_DETAILSFORM_Title,
    IDS_DETAILSFORM_LABEL_Programs,
    IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize,
    IDS_DETAILSFORM_LISTVIEW_Items_InstallDate,
    IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency,
    IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate,
    IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation,
    IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion,
    IDS_DETAILSFORM_LISTVIEW_Items_Publisher,
    IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo,
    IDS_DETAILSFORM_LISTVIEW_Items_AboutLink,
    IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink,
    IDS_DETAILSFORM_TABSHEETPP_TITLE,
    IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name,
    IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value,
    IDS_DETAILSFORM_TABSHEETRV_TITLE,
    IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key,
    IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value,
    IDS_PROGRESSFORM_Title,
    IDS_PROGRESSFORM_LABEL_Info,
    IDS_PROGRESSFORM_BUTTON_Cancel,
    IDS_COMMENTFORM_Title,
    IDS_COMMENTFORM_LABEL_TITLE,
    IDS_COMMENTFORM_BUTTON_Ok,
    IDS_COMMENTFORM_BUTTON_Cancel,
    IDS_PRINTFORM_Title,
    IDS_PRINTFORM_BUTTON_Save,
    IDS_PRINTFORM_MEMO_Title,
    IDS_PRINTFORM_BUTTON_Print,
    IDS_PRINTFORM_MEMO_InstalledPL,
    IDS_PRINTFORM_MEMO_ComputerName,
    IDS_PRINTFORM_MEMO_UserName,
    IDS_PRINTFORM_MEMO_Programs,
    IDS_PRINTFORM_MEMO_CreatedIn,
    IDS_PRINTFORM_MEMO_CreatedBy,
    IDS_PRINTFORM_MEMO_ProgramsList,
    IDS_SCANFORM_Title,
    IDS_SCANFORM_LABEL_Scaning,
    IDS_SCANFORM_LABEL_RegInfoLeft,
    IDS_SCANFORM_LABEL_FilesLeft,
    IDS_SCANFORM_BUTTON_Cancel,
    IDS_SCANFORM_BUTTON_Delete,
    IDS_ADDITEMFORM_Title,
    IDS_ADDITEMFORM_LABEL_Target,
    IDS_ADDITEMFORM_LABEL_Section,
    IDS_ADDITEMFORM_BUTTON_Browse,
    IDS_ADDITEMFORM_BUTTON_Ok,
    IDS_ADDITEMFORM_BUTTON_Cancel,
    IDS_ADDITEMFORM_COMBOBOX_Items1,
    IDS_ADDITEMFORM_COMBOBOX_Items2,
    IDS_ADDITEMFORM_COMBOBOX_Items3,
    IDS_ADDITEMFORM_COMBOBOX_Items4,
    IDS_ABOUTFORM_Title,
    IDS_ABOUTFORM_LABEL_CopyRight,
    IDS_ABOUTFORM_LABEL_Warning,
    IDS_ABOUTFORM_BUTTON_Ok,
    IDS_SPLASHFORM_LABEL_Copyright,
    IDS_MESSAGEBOX_WARNING_ScanRemains,
    IDS_MESSAGEBOX_WARNING_DeleteScr,
    IDS_MESSAGEBOX_WARNING_DeleteStartupEntry,
    IDS_MESSAGEBOX_WARNING_BackupReg,
    IDS_MESSAGEBOX_WARNING_CleanSuccess,
    IDS_MESSAGEBOX_WARNING_Noremains,
    IDS_MESSAGEBOX_WARNING_UninstallFailed,
    IDS_MESSAGEBOX_MESSAGE_BackupSucceed,
    IDS_MESSAGEBOX_MESSAGE_PrintError,
    IDS_MESSAGEBOX_WARNING_SaveFileFailed,
    IDS_MESSAGEBOX_WARNING_StillInstalled,
    IDS_MESSAGEBOX_WARNING_StillInstalledExitCode,
    IDS_SCANFORM_UNCHECKED_StillInstalled,
    IDS_SCANFORM_UNCHECKED_CommonName,
    IDS_SCANFORM_UNCHECKED_WindowsKeys,
    IDS_SCANFORM_UNCHECKED_OtherPlace,
    IDS_SCANFORM_UNCHECKED_OtherProgram,
    IDS_MAINFORM_MENU_FILE_UndoCleanup,
    IDS_UNDOFORM_Title,
    IDS_UNDOFORM_LABEL_Cleanups,
    IDS_UNDOFORM_LISTVIEW_Date,
    IDS_UNDOFORM_LISTVIEW_Program,
    IDS_UNDOFORM_LISTVIEW_Keys,
    IDS_UNDOFORM_LISTVIEW_Files,
    IDS_UNDOFORM_LISTVIEW_Size,
    IDS_UNDOFORM_BUTTON_Restore,
    IDS_UNDOFORM_BUTTON_Delete,
    IDS_UNDOFORM_BUTTON_Close,
    IDS_MESSAGEBOX_WARNING_DeleteCleanup,
    IDS_MESSAGEBOX_MESSAGE_RestoreSucceed,
    IDS_MESSAGEBOX_WARNING_RestorePartly,
    IDS_MESSAGEBOX_WARNING_DeleteCleanupPartly,
    IDS_MESSAGEBOX_WARNING_CleanPartly,
    IDS_MESSAGEBOX_WARNING_CleanMore,
    IDS_MESSAGEBOX_WARNING_CleanBackupFailed,
    IDS_MESSAGEBOX_WARNING_ScrNotDeleted,
    IDS_MESSAGEBOX_WARNING_ScrLeft,
    IDS_MESSAGEBOX_WARNING_StartupFailed,
    IDS_MESSAGEBOX_WARNING_AddItemFailed,
    IDS_MESSAGEBOX_REASON_InUse,
    IDS_MESSAGEBOX_REASON_AccessDenied,
    IDS_MESSAGEBOX_REASON_PathTooLong,
    IDS_MESSAGEBOX_REASON_LinkNotFollowed,
    IDS_MESSAGEBOX_REASON_OutsideFolder,
    IDS_MESSAGEBOX_REASON_Protected,
    IDS_MESSAGEBOX_REASON_ContentsStayed,
    IDS_MESSAGEBOX_REASON_BackupFailed,
    IDS_MESSAGEBOX_REASON_Occupied,
    IDS_MESSAGEBOX_REASON_DataDiffers,
    IDS_MESSAGEBOX_REASON_MissingFromBackup,
    IDS_MESSAGEBOX_REASON_LinkRemoved,
    IDS_MESSAGEBOX_REASON_NotACleanup,
    IDS_MESSAGEBOX_MESSAGE_BackupFailed,
    IDS_MESSAGEBOX_MESSAGE_BackupNothing,
    IDS_MESSAGEBOX_MESSAGE_BackupMore,
    IDS_MESSAGEBOX_MESSAGE_RegeditJumpFailed,
    IDS_REPORT_COLUMN_Name,
    IDS_REPORT_COLUMN_Publisher,
    IDS_REPORT_COLUMN_Version,
    IDS_REPORT_COLUMN_InstallDate,
    IDS_REPORT_COLUMN_Size,
    IDS_REPORT_COLUMN_InstallLocation,
    IDS_REPORT_COLUMN_Key,
    IDS_REPORT_COLUMN_UninstallCommand,
    IDS_REPORT_COLUMN_Comment,
    IDS_PRINTFORM_FILTER_Text,
    IDS_PRINTFORM_FILTER_Csv,
    IDS_PRINTFORM_FILTER_Html,
    IDS_REGFILE_FILTER,
    IDS_ABOUTFORM_LABEL_Description,
    IDS_LISTVIEW_TIPS_Comment,
    IDS_DETAILSFORM_LISTVIEW_Items_Comment,
    IDS_LISTVIEW_COLUMNS_DisabledBy,
    IDS_STARTUP_DISABLEDBY_Purgeon,
    IDS_STARTUP_DISABLEDBY_TaskManager,
    IDS_STARTUP_DISABLEDBY_Autoruns,
    IDS_SCANFORM_MESSAGE_NothingChecked,
    IDS_MESSAGEBOX_REASON_OwnBackups,
    IDS_MESSAGEBOX_WARNING_NoLongerInstalled,
    IDS_MESSAGEBOX_WARNING_RunUserCommandElevated,
    IDS_MESSAGEBOX_MESSAGE_StartupRenamed,
    IDS_MESSAGEBOX_WARNING_ReadFileFailed,
    IDS_MESSAGEBOX_REASON_LeftInBackup,
    IDS_UNDOFORM_LISTVIEW_Interrupted,
    IDS_MESSAGEBOX_WARNING_CleanupInterrupted,
    IDS_MAINFORM_MENU_FILE_UninstallSelected,
    IDS_LISTVIEW_RIGHTCLICK_UninstallSelected,
    IDS_BATCHFORM_Title,
    IDS_BATCHFORM_LABEL_Programs,
    IDS_BATCHFORM_COLUMN_Program,
    IDS_BATCHFORM_COLUMN_Installer,
    IDS_BATCHFORM_COLUMN_QuietForm,
    IDS_BATCHFORM_COLUMN_State,
    IDS_BATCHFORM_COLUMN_Detail,
    IDS_BATCHFORM_CHECKBOX_Quiet,
    IDS_BATCHFORM_BUTTON_Start,
    IDS_BATCHFORM_BUTTON_Stop,
    IDS_BATCHFORM_BUTTON_ScanRemains,
    IDS_BATCHFORM_BUTTON_Close,
    IDS_BATCHFORM_LABEL_Progress,
    IDS_BATCHFORM_LABEL_Stopping,
    IDS_BATCHFORM_KIND_WindowsInstaller,
    IDS_BATCHFORM_KIND_InnoSetup,
    IDS_BATCHFORM_KIND_Nsis,
    IDS_BATCHFORM_KIND_OwnQuietCommand,
    IDS_BATCHFORM_KIND_Unknown,
    IDS_BATCHFORM_QUIET_Known,
    IDS_BATCHFORM_QUIET_None,
    IDS_BATCHFORM_STATE_Waiting,
    IDS_BATCHFORM_STATE_Running,
    IDS_BATCHFORM_STATE_Removed,
    IDS_BATCHFORM_STATE_RemovedRestartNeeded,
    IDS_BATCHFORM_STATE_StillInstalled,
    IDS_BATCHFORM_STATE_Skipped,
    IDS_BATCHFORM_STATE_Failed,
    IDS_BATCHFORM_DETAIL_ExitCode,
    IDS_BATCHFORM_DETAIL_ExitCodeUnknown,
    IDS_BATCHFORM_EXIT_Cancelled,
    IDS_BATCHFORM_EXIT_RestartNeeded,
    IDS_BATCHFORM_EXIT_UnknownProduct,
    IDS_BATCHFORM_EXIT_InstallInProgress,
    IDS_BATCHFORM_REASON_NoQuietForm,
    IDS_BATCHFORM_REASON_Stopped,
    IDS_BATCHFORM_REASON_NotStarted,
    IDS_BATCHFORM_REASON_TimedOut,
    IDS_BATCHFORM_REASON_WaitFailed,
    IDS_BATCHFORM_REASON_NoUserToken,
    IDS_BATCHFORM_REASON_NeedsConsent,
    IDS_MAINFORM_MENU_TOOLS_FindLeftovers,
    IDS_SCANFORM_LeftoversTitle,
    IDS_SCANFORM_MESSAGE_NoLeftovers,
    IDS_LEFTOVERS_REASON_Recorded,
    IDS_LEFTOVERS_REASON_EmptyStartMenu,
    IDS_LEFTOVERS_REASON_RemovedVendor,
    IDS_LEFTOVERS_REASON_Unclaimed,
    IDS_LEFTOVERS_REASON_InstalledVendor,
    IDS_LEFTOVERS_REASON_CloseToInstalled,
    IDS_LEFTOVERS_REASON_HoldsPrograms,
    IDS_LEFTOVERS_REASON_ManyFiles,
    IDS_LEFTOVERS_REASON_GenericName,
    IDS_LEFTOVERS_REASON_RecentlyWritten,
    IDS_MAINFORM_BUTTON_Minimize,
    kTextKeyCount
};

inline constexpr wchar_t kLanguageSection[] = L"Language";
// A value is read into a buffer of this many characters, so at most 2047 are used.
inline constexpr int kLanguageValueBuffer = 2048;

const std::wstring& LangText(TextKey key);
// The key as a language file spells it; seven keys end in blanks.
const wchar_t* LangKeyName(TextKey key);
const wchar_t* LangDefaultText(TextKey key);
// The entries whose "#13" markers in a file stand for line breaks.
bool IsMultiLineText(TextKey key);
// Back to the English defaults (what the process starts with).
void ResetLanguageTable();

// Shows "Save file <path> failed!"; the default is an error message box without owner.
using SaveFailedBox = std::function<void(const std::wstring& text)>;
void ShowSaveFailedBox(const std::wstring& text);

// The full path of a table's file (language or skin) once it is there: a missing one is first
// written by `create`. nullopt, after `showError` named the file, when that fails. A full path
// makes the profile functions (which look for a bare name in the Windows folder) and the file
// functions (which look in the current one) reach the same file.
std::optional<std::wstring> TableFileReady(const std::wstring& path, const std::function<bool(const std::wstring&)>& create,
                                           const SaveFailedBox& showError);

// The path again when the file can be opened for reading; nullopt, after `showError` named the
// file and the system's reason, when it cannot.
std::optional<std::wstring> TableFileReadable(const std::wstring& path, const SaveFailedBox& showError);
// "Reading file <path> failed: <reason>".
std::wstring ReadFailedText(const std::wstring& path, const std::wstring& reason);

// Reads the current language file (AppPaths.LangPath) into the table; true when read to its end.
// A missing file is first created from the texts in force; when that fails the box is shown and
// the result is false. A key missing from the file, or a text whose placeholders differ from the
// English default's, leaves the entry's text as it was. A file that cannot be read shows the box
// with the system's reason, and the result is false.
bool LoadLanguage();
bool LoadLanguage(const std::wstring& path, const SaveFailedBox& showError = ShowSaveFailedBox);

// Writes every entry in file order to the current language file, creating it as UTF-16LE with a
// BOM when missing; false when the file cannot be created or any write fails.
bool SaveLanguage();
bool SaveLanguage(const std::wstring& path);

enum class LineBreaks { ForDisplay, ForFile };
// Trims blanks and control characters at both ends, then "#13" -> CR LF (for display), or
// CR LF, then LF, then CR -> "#13" (for the file).
std::wstring ConvertLineBreaks(std::wstring_view text, LineBreaks direction);

// The printf placeholders of a text as one letter per argument, in order: 'd' 32-bit integer or
// character, 'D' 64-bit integer, 'f' double, 'F' long double, 's' wide string, 'a' 8-bit string,
// 'p' pointer; a '*' width or precision counts as 'd'. "%%" is a literal. nullopt for a text
// that is not a safe format: a dangling or unknown conversion, or "%n".
std::optional<std::wstring> PlaceholderSignature(std::wstring_view text);
// True when `candidate` takes the same arguments as `reference` (both safe formats).
bool SamePlaceholders(std::wstring_view candidate, std::wstring_view reference);

// One entry of the Languages menu.
struct LanguageMenuEntry {
    std::wstring caption;   // file name up to its first "."
    std::wstring fileName;  // as found
    bool current = false;   // same file name as the current language file, ignoring case
};
// The "*.ini" files of a language folder in find order, folders skipped.
std::vector<LanguageMenuEntry> ListLanguageFiles(const std::wstring& langDir, const std::wstring& currentPath);
// The file a menu caption stands for (folder + caption + ".ini"), when it exists.
std::optional<std::wstring> LanguageFileOfCaption(const std::wstring& langDir, const std::wstring& caption);

}  // namespace purgeon
