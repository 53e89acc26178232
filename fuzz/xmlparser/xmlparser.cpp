// Reads arbitrary text as an XML document. Anything it cannot read must be
// refused with our own error; a document it reads must be written as text that
// reads back to the same tree, and escaping must undo exactly.
#include "u3/XMLCodePage.h"
#include "u3/XMLParser.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

bool Legacy(const u3::TXMLSimpleDocument& doc)
{
    for (int i = 0; i < doc.PrologCount(); ++i) {
        if (doc.PrologItem(i).GetTagType() == u3::TXMLBaseTag::kDescription) {
            const auto& description = static_cast<const u3::TXMLDescriptionTag&>(doc.PrologItem(i));
            return u3::XMLCodePageOf(description.GetAttribute("encoding", {})) != u3::XMLCodePage::kUtf8;
        }
    }
    return false;
}

// The two trees have the same shape; with exact, the same names and texts too.
void CompareTrees(u3::TXMLTag& a, u3::TXMLTag& b, bool exact)
{
    std::vector<std::pair<u3::TXMLTag*, u3::TXMLTag*>> work{{&a, &b}};
    while (!work.empty()) {
        auto [x, y] = work.back();
        work.pop_back();
        Check(x->AttributeCount() == y->AttributeCount());
        Check(x->ChildCount() == y->ChildCount());
        if (exact) {
            Check(x->GetQualifiedName() == y->GetQualifiedName());
            for (int i = 0; i < x->AttributeCount(); ++i)
                Check(x->Attribute(i).GetValue() == y->Attribute(i).GetValue());
            if (x->ChildCount() == 0)
                Check(x->GetValue() == y->GetValue());
        }
        for (int i = 0; i < x->ChildCount(); ++i) {
            Check(x->Child(i).GetTagType() == y->Child(i).GetTagType());
            if (x->Child(i).GetTagType() == u3::TXMLBaseTag::kTag)
                work.emplace_back(&static_cast<u3::TXMLTag&>(x->Child(i)), &static_cast<u3::TXMLTag&>(y->Child(i)));
            else if (exact && x->Child(i).GetTagType() == u3::TXMLBaseTag::kComment)
                Check(static_cast<u3::TXMLCommentTag&>(x->Child(i)).Text() ==
                      static_cast<u3::TXMLCommentTag&>(y->Child(i)).Text());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    Check(u3::UnescapeXMLText(u3::EscapeXMLText(text)) == text);
    (void)u3::UnescapeXMLText(text);

    std::unique_ptr<u3::TXMLSimpleDocument> doc;
    try {
        doc = u3::TXMLParser(text).Parse();
    } catch (const u3::EXMLSimpleException&) {
    }
    if (doc) {
        Check(doc->Root() != nullptr);
        const std::string written = doc->SaveToString();
        std::unique_ptr<u3::TXMLSimpleDocument> back;
        try {
            back = u3::TXMLParser(written).Parse();
        } catch (const u3::EXMLSimpleException&) {
            std::abort();
        }
        Check(back->PrologCount() == doc->PrologCount());
        CompareTrees(*doc->Root(), *back->Root(), !Legacy(*doc));
    }

    // The same text as pending inner XML of an element.
    u3::TXMLSimpleDocument host;
    u3::TXMLTag& root = host.CreateRoot("host");
    root.SetInnerXML(text, true);
    try {
        Check(root.ChildCount() <= 1);
        (void)host.SaveToString();
    } catch (const u3::EXMLSimpleException&) {
        Check(root.GetInnerXML() == text);
    }
    return 0;
}
