// The program's user-visible texts, kept exactly as the program shows them.
#pragma once

#include "framework/messages.h"

namespace Str {
constexpr const char* AppTitle = "Zorvek";
constexpr const char* Ready = "Ready";
constexpr const char* InsertDialogTitle = "Insert";
constexpr const char* RecentFilePlaceholder = "Recent File";
constexpr const char* ToolbarCaption = "Editor toolbar";
constexpr const char* TextAreaName = "Document text";

constexpr const char* FileTooLarge = "%1 is too large to open: at most %2 bytes can be edited.";
constexpr const char* LineTooLong =
    "%1 cannot be opened: it has a line longer than %2 bytes, the longest that can be shown.";
constexpr const char* FileSavedOk = "The file was saved Ok.";
constexpr const char* RecoverPrompt = "Unsaved changes to %1 from %2 were found. Recover them?";
constexpr const char* RecoverUntitled =
    "%1 has changed since the unsaved changes from %2 were made: they are recovered onto the "
    "file as it was then, in an untitled document.";
constexpr const char* RecoverChanged =
    "Unsaved changes to %1 from %2 were found, but the file has changed since: they cannot be "
    "applied to it. They are kept in %3.";
constexpr const char* SavingRichAsPlain =
    "%1 is rich text. Saving writes plain text and loses its formatting. Save it as plain text?";
constexpr const char* SavedButNotKept = "The file was saved, but %1 could not be kept.";
constexpr const char* ChangedOnDiskReloaded = "%1 was changed by another program and reloaded.";
constexpr const char* ChangedOnDiskKept =
    "%1 was changed by another program; your changes are kept.";
constexpr const char* DeletedOnDisk =
    "%1 was deleted by another program; your text is kept as changed.";
constexpr const char* BadProfileSuffix =
    "%1 cannot select a settings profile: the part after S: must be a name of at most 64 "
    "bytes, without /, \\, .., or control characters.";
constexpr const char* StandardInput = "standard input";
constexpr const char* Unregistered =
    "System registry entries have been removed and the INI file (if any) was deleted.";
constexpr const char* NoPrinter = "No printer is set up to print %1 on.";
constexpr const char* NoSuchPrinter = "There is no printer called %1.";
constexpr const char* PrinterFailed = "The printer %1 could not be started.";
constexpr const char* MarginsLeaveNoRoom =
    "The page margins leave no room for a line of text. Choose smaller margins in Page Setup.";
constexpr const char* PrintNoRoom =
    "Printing stopped after page %1: the page margins leave no room for a line of text.";

constexpr const char* Converting = "Converting... (ESC to interrupt)";
constexpr const char* SearchingDump = "Searching the dump... (ESC to interrupt)";
constexpr const char* SaveBeforeHex = "Save changes to %1 before showing its bytes?";
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
constexpr const char* ReopenWithEncoding = "Reopen with Encoding";
constexpr const char* EncodingPaneTip = "The file's encoding and line ends: click to reopen it "
                                        "with another encoding";
constexpr const char* CannotSaveCharacter =
    "%1 was not saved: \"%2\" (U+%3) on line %4 cannot be stored in %5; nothing was written.";
constexpr const char* NotDecodable =
    "%1 cannot be read as %2: the byte at offset %3 (0x%4) does not decode losslessly in it. "
    "Nothing was changed.";
constexpr const char* NotUtf16 =
    "The file starts with a UTF-16 byte-order mark but is not valid UTF-16; it is shown byte "
    "by byte.";
constexpr const char* CursorWarped = "Cursor warped round the file";
constexpr const char* TextNotFound = "The specified text cannot be located.";
constexpr const char* NoSingleBrace = "No single brace character is selected.";
constexpr const char* BraceUnbalanced = "The matching brace cannot be found (unbalanced ?)";

constexpr const char* SearchStringEmpty = "Search string should not be empty";
// The regular expression's fault as PCRE2 words it, and where in the pattern it lies.
constexpr const char* InvalidRegex = "This regular expression is not valid: %1 (at character %2).";
constexpr const char* MissingGroup =
    "The replacement uses \\%1, but the regular expression has only %2 group(s).";
constexpr const char* RegexGaveUp = "The regular expression could not be searched for: %1.";
constexpr const char* OccurrencesReplaced = "%ld occurence%s have been replaced.";

} // namespace Str
