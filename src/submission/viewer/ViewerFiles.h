#pragma once
// What the document viewer needs to know about the files it shows, free of
// widgets: the kind of a file, the entries of its list modes, and the text it
// puts on screen for text and XML files (decoded for display only: the file
// itself is never written).
#include <string>
#include <vector>

namespace viewer {

enum ViewerFileType { kViewPdf = 0, kViewTiff = 1, kViewJpeg = 2, kViewText = 3, kViewXml = 4, kViewNone = 5 };

// By the extension, without regard to case.
int GetViewerFileType(const std::string& fileName);

// The name of a local or engine path without folder and extension.
std::string ViewerCaption(const std::string& fileReference);

struct ViewerEntry {
    std::string file;       // a local path or, in list modes, the engine's path
    std::string caption;
    std::string secondLine; // a file whose name is shown under the caption
    std::string startPage = "1";
};

struct ViewerList {
    std::vector<ViewerEntry> entries;
    std::string firstPreview; // the name of the file to select first
    bool twoLine = false;
};

// ">|<" separates the file references.
ViewerList ParseViewFileList(const std::string& listText);
// One entry a line; fields separated by ">|<": a file; "FirstPreview" and a
// file name; caption, file and start page; caption, file, second-line file and
// start page.
ViewerList ParseViewFileListExt(const std::string& text);

// The bytes of a text file as UTF-8 for display: UTF-16 with a byte-order
// mark, else UTF-8, else Windows-1252.
std::string DecodeTextForDisplay(const std::string& bytes);

// An XML file laid out for reading: the white space between tags collapsed,
// then indented by element depth. A text that does not parse is shown as it
// was normalised.
std::string FormatXmlForDisplay(const std::string& bytes);

} // namespace viewer
