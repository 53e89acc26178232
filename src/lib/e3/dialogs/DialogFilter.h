#pragma once
// What the engine writes into a file dialog, turned into what Qt's file dialog
// understands, without widgets: the filter text ("Text files|*.txt;*.log|All
// files|*.*"), its masks matched without regard to letter case as the original
// system's dialogs match them, and the dialog options.
#include <cstdint>
#include <string>
#include <vector>

namespace e3 {

// One entry of a filter: what the user sees and the masks it stands for.
struct TFilterEntry {
    std::string description;
    std::vector<std::string> masks;
};

// Descriptions and mask lists alternate at "|"; the masks of one entry are
// separated by ";" and trimmed of blanks, empty ones dropped. A description
// without a mask list behind it still counts as an entry (it matches nothing).
std::vector<TFilterEntry> ParseFilter(const std::string& filter);

// A mask as a glob that Qt matches like the original: letters in either case
// ("*.pdf" finds "A.PDF"), "[" and "]" as plain characters, "*.*" and "*" for
// every name (also one without a dot). A character that Qt cannot take in a
// name filter (a blank, which would split its list, a parenthesis, anything
// beyond ASCII) matches any one character.
std::string QtMask(const std::string& mask);

// "description (mask mask ...)": Qt takes the masks from the last parentheses.
std::string QtNameFilter(const TFilterEntry& entry);

// The framework's open-dialog options, by ordinal.
enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
    ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
    ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
    ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = uint32_t;
enum TOpenOptionEx { ofExNoPlacesBar };
using TOpenOptionsEx = uint32_t;

constexpr TOpenOptions OpenOption(TOpenOption o) { return TOpenOptions(1) << o; }
constexpr bool HasOption(TOpenOptions set, TOpenOption o) { return (set & OpenOption(o)) != 0; }

// What a dialog run needs, independent of Qt's types.
enum class TChooseMode { AnyFile, ExistingFile, ExistingFiles };
struct TDialogSetup {
    bool save = false;
    TChooseMode mode = TChooseMode::AnyFile;
    bool confirmOverwrite = false;
    bool resolveSymlinks = true;
    bool showHidden = false;
};

// Open: several existing files with ofAllowMultiSelect, one existing file
// with ofFileMustExist, else any name. Save: any name whatever the options
// say (a file that must exist would make every new name impossible), asking
// before overwriting only with ofOverwritePrompt.
TDialogSetup MapOptions(TOpenOptions options, bool save);

// Whether the chosen file's extension differs from the default extension
// (ofExtensionDifferent after a run); letter case is ignored and a leading
// "." of the default extension does not count.
bool ExtensionDiffers(const std::string& fileName, const std::string& defaultExt);

} // namespace e3
