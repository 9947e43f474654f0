// The texts the framework itself shows: file errors, the save prompt, the dialogs' checks. The
// program's own texts add to the same namespace.
#pragma once

namespace Str {
constexpr const char* Untitled = "Untitled";
constexpr const char* AllFilesFilter = "All Files (*)";
constexpr const char* SaveChangesPrompt = "Save changes to %1?";
constexpr const char* FailedToOpen = "Failed to open document.";
constexpr const char* FailedToSave = "Failed to save document.";
constexpr const char* InterruptedSaveFound =
    "A save of %1 was interrupted: the file is cut short (%2 bytes). Its old content (%3 bytes) "
    "was kept. Restore the old content?\n\nNo keeps the old content as a file of its own.";
constexpr const char* InterruptedSaveKept = "The old content of %1 is kept in %2.";
constexpr const char* UnfinishedSaveFound =
    "A save of %1 was stopped just before its end: the new content (%2 bytes) was written whole "
    "beside the file, which still holds its old content (%3 bytes). Put the new content in "
    "place?\n\nNo keeps the new content as a file of its own.";
constexpr const char* UnfinishedFirstSaveFound =
    "A save of %1 was stopped just before its end: the new content (%2 bytes) was written whole, "
    "but the file was not made. Make it now?\n\nNo keeps the new content as a file of its own.";
constexpr const char* UnfinishedSaveKept = "The new content of %1 is kept in %2.";
constexpr const char* ChangedOnDiskPrompt =
    "%1 was changed by another program since it was opened or saved.\n\n"
    "Yes: save over it with your text.\nNo: reload it and lose your changes.\n"
    "Cancel: do not save.";
constexpr const char* IsFolder = "%1 is a folder, not a file.";
constexpr const char* NoMemoryToOpen =
    "%1 cannot be opened: its text needs about %2 MB of memory, and %3 MB are available.";
constexpr const char* IsDevice = "%1 is a device, not a file: it cannot be opened as text.";
constexpr const char* GoneDuringSave =
    "%1 was deleted or replaced by another program while it was being saved: the text is not "
    "saved.";
constexpr const char* CannotSaveInto =
    "%1 is %2, not a regular file: the text cannot be saved into it. Choose another name.";
constexpr const char* ReadingStream = "Reading %1: %2 bytes so far (ESC to interrupt)";
constexpr const char* ReadCancelled = "Reading %1 was cancelled.";
constexpr const char* NoPageInRange =
    "Nothing was printed: the text has %1 pages, none of them in the range chosen.";
constexpr const char* PrintingStopped =
    "Printing stopped after page %1: the printer reported an error.";
constexpr const char* MaxChars = "Please enter no more than %1 characters.";
constexpr const char* EnterInteger = "Please enter an integer.";
constexpr const char* EnterIntegerBetween = "Please enter an integer between %1 and %2.";
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
