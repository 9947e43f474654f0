// The program's user-visible texts, kept exactly as the program shows them.
#pragma once

namespace Str {
constexpr const char* AppTitle = "Zorvek";
constexpr const char* Untitled = "Untitled";
constexpr const char* Ready = "Ready";
constexpr const char* AllFilesFilter = "All Files (*)";
constexpr const char* InsertDialogTitle = "Insert";
constexpr const char* RecentFilePlaceholder = "Recent File";
constexpr const char* ToolbarCaption = "Editor toolbar";
constexpr const char* TextAreaName = "Document text";

constexpr const char* SaveChangesPrompt = "Save changes to %1?";
constexpr const char* FailedToOpen = "Failed to open document.";
constexpr const char* FailedToSave = "Failed to save document.";
constexpr const char* FileTooLarge = "%1 is too large to open: at most %2 bytes can be edited.";
constexpr const char* FileSavedOk = "The file was saved Ok.";
constexpr const char* SavedButNotKept = "The file was saved, but %1 could not be kept.";
constexpr const char* InterruptedSaveFound =
    "A copy of %1 from an interrupted save was found. Restore it?";
constexpr const char* ChangedOnDiskPrompt =
    "%1 was changed by another program since it was opened or saved.\n\n"
    "Yes: save over it with your text.\nNo: reload it and lose your changes.\n"
    "Cancel: do not save.";
constexpr const char* ChangedOnDiskReloaded = "%1 was changed by another program and reloaded.";
constexpr const char* ChangedOnDiskKept =
    "%1 was changed by another program; your changes are kept.";
constexpr const char* DeletedOnDisk =
    "%1 was deleted by another program; your text is kept as changed.";
constexpr const char* BadProfileSuffix =
    "%1 cannot select a settings profile: the part after S: must be a name of at most 64 "
    "bytes, without /, \\, .., or control characters.";
constexpr const char* IsFolder = "%1 is a folder, not a file.";
constexpr const char* IsDevice = "%1 is a device, not a file: it cannot be opened as text.";
constexpr const char* ReadingStream = "Reading %1: %2 bytes so far (ESC to interrupt)";
constexpr const char* ReadCancelled = "Reading %1 was cancelled.";
constexpr const char* StandardInput = "standard input";
constexpr const char* Unregistered =
    "System registry entries have been removed and the INI file (if any) was deleted.";
constexpr const char* NoPrinter = "No printer is set up to print %1 on.";
constexpr const char* NoSuchPrinter = "There is no printer called %1.";
constexpr const char* PrinterFailed = "The printer %1 could not be started.";
constexpr const char* PrintingStopped =
    "Printing stopped after page %1: the printer reported an error.";
constexpr const char* PrintNoRoom =
    "Printing stopped after page %1: the page margins leave no room for a line of text.";

constexpr const char* Converting = "Converting... (ESC to interrupt)";
constexpr const char* DumpTooLarge =
    "The hexadecimal dump of %1 is too large to show: at most %2 bytes can be shown.";
constexpr const char* NonTextReadOnly =
    "The file is probably non-text; a switch to hex-view is suggested.";
constexpr const char* NonTextEditable =
    "The file is probably non-text; editing may render it unusable.";
constexpr const char* WrapSuspended =
    "Word wrap is off for this text: it has a line too long to wrap (over %1 bytes).";
constexpr const char* CannotHold =
    "\"%1\" (U+%2) cannot be stored in this %3 file; nothing was changed.";
constexpr const char* InsertNotText =
    "%1 holds bytes that are not text, which this %2 file cannot hold; nothing was inserted.";
constexpr const char* CannotSave =
    "%1 was not saved: the text holds characters that %2 cannot hold.";
constexpr const char* NotUtf16 =
    "The file starts with a UTF-16 byte-order mark but is not valid UTF-16; it is shown byte "
    "by byte.";
constexpr const char* CursorWarped = "Cursor warped round the file";
constexpr const char* TextNotFound = "The specified text cannot be located.";
constexpr const char* NoSingleBrace = "No single brace character is selected.";
constexpr const char* BraceUnbalanced = "The matching brace cannot be found (unbalanced ?)";

constexpr const char* SearchStringEmpty = "Search string should not be empty";
constexpr const char* MaxChars = "Please enter no more than %1 characters.";
constexpr const char* EnterInteger = "Please enter an integer.";
constexpr const char* EnterIntegerBetween = "Please enter an integer between %1 and %2.";
constexpr const char* OccurrencesReplaced = "%d occurence%s have been replaced.";

// File-error texts by cause code; %1 is the full path of the file.
constexpr const char* FileErrors[] = {
    "No error occurred.",
    "An unknown error occurred while accessing %1.",
    "%1 was not found.",
    "%1 contains an invalid path.",
    "%1 could not be opened because there are too many open files.",
    "Access to %1 was denied.",
    "An invalid file handle was associated with %1.",
    "%1 could not be removed because it is the current directory.",
    "%1 could not be created because the directory is full.",
    "Seek failed on %1",
    "A hardware I/O error was reported while accessing %1.",
    "A sharing violation occurred while accessing %1.",
    "A locking violation occurred while accessing %1.",
    "Disk full while accessing %1.",
    "An attempt was made to access %1 past its end.",
};
} // namespace Str
