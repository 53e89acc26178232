#include "client/BusyCursor.h"
#include "client/MemoryTextStream.h"
#include "u3/Exceptions.h"

#include <gtest/gtest.h>

using client::TMemoryTextStream;

TEST(MemoryTextStream, WritesTheRequestExampleLineForLine)
{
    TMemoryTextStream s;
    s.WriteBegin();
    for (const char* t : {";", "Sender", "FormMain", ";", "Memo1.Lines"})
        s.WriteString(t);
    s.WriteString("first\r\nsecond");
    s.WriteString(";");
    s.WriteString("Edit1.Text");
    s.WriteString("");
    s.WriteString(";");
    s.WriteEnd();
    EXPECT_EQ(s.Text(),
              "{\r\n;\r\nSender\r\nFormMain\r\n;\r\nMemo1.Lines\r\nfirst||second\r\n;\r\n"
              "Edit1.Text\r\nsnil\r\n;\r\n}\r\n");
}

TEST(MemoryTextStream, TextsSurviveTheRoundTripWithCrLfBreaks)
{
    struct Case {
        std::string written, line, readBack;
    };
    const Case cases[] = {
        {"", "snil", ""},
        {"a\r\nb\nc\rd", "a||b||c||d", "a\r\nb\r\nc\r\nd"},
        {"\r\n\r\n", "||||", "\r\n\r\n"},
        {"\n\r", "||||", "\r\n\r\n"},          // LF then CR: two breaks, not one CR LF
        {"plain", "plain", "plain"},
        {"snil", "snil", ""},                  // the one text that does not survive
        {"a||b", "a||b", "a\r\nb"},            // nor does a text holding the mark
        {"x|||y", "x|||y", "x\r\n|y"},
    };
    for (const auto& c : cases) {
        TMemoryTextStream s;
        s.WriteString(c.written);
        ASSERT_EQ(s.Lines().at(0), c.line) << c.written;
        TMemoryTextStream r(s.Text());
        EXPECT_EQ(r.ReadString(), c.readBack) << c.written;
        EXPECT_EQ(r.GetPosition(), 1);
    }
}

TEST(MemoryTextStream, ReceivedTextSplitsAtEveryKindOfBreak)
{
    TMemoryTextStream s("a\r\nb\rc\nd");
    EXPECT_EQ(s.Lines(), (std::vector<std::string> {"a", "b", "c", "d"}));
    TMemoryTextStream trailing("a\r\n\r\n");
    EXPECT_EQ(trailing.Lines(), (std::vector<std::string> {"a", ""}));
}

TEST(MemoryTextStream, TokensTrimButStringsDoNot)
{
    TMemoryTextStream s("  }  \r\n");
    EXPECT_TRUE(s.IsEnd());
    EXPECT_TRUE(s.IsToken("}"));
    EXPECT_FALSE(s.IsToken("  }  x"));
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(s.ReadString(), "  }  ");
}

TEST(MemoryTextStream, BooleansAreTrueOnlyForOne)
{
    TMemoryTextStream s("1\r\n 1 \r\ntrue\r\nTRUE\r\n2\r\n0\r\n");
    const bool expected[] = {true, true, false, false, false, false};
    for (bool e : expected)
        EXPECT_EQ(s.ReadBoolean(), e);
    TMemoryTextStream w;
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    EXPECT_EQ(w.Text(), "1\r\n0\r\n");
}

TEST(MemoryTextStream, IntegersParseStrictlyAndKeepThePositionOnError)
{
    TMemoryTextStream s(" -42 \r\n$1F\r\n12a\r\n");
    EXPECT_EQ(s.ReadInteger(), -42);
    EXPECT_EQ(s.ReadInteger(), 31);
    EXPECT_THROW(s.ReadInteger(), u3::EConvertError);
    EXPECT_EQ(s.GetPosition(), 2);
    TMemoryTextStream w;
    w.WriteInteger(-2147483647 - 1);
    EXPECT_EQ(w.Lines().at(0), "-2147483648");
}

TEST(MemoryTextStream, ReadingPastTheEndRaises)
{
    TMemoryTextStream s("{\r\n");
    s.ReadBegin();
    EXPECT_THROW(s.ReadString(), u3::EListError);
    EXPECT_THROW(s.IsToken("}"), u3::EListError);
    EXPECT_THROW(s.ReadBoolean(), u3::EListError);
    TMemoryTextStream empty("");
    EXPECT_THROW(empty.IsEnd(), u3::EListError);
}

TEST(MemoryTextStream, ListsOfStrings)
{
    TMemoryTextStream s;
    s.WriteStrings({});
    s.WriteStrings({""});
    s.WriteStrings({"a", "b"});
    EXPECT_EQ(s.Text(), "snil\r\n\r\na||b\r\n");
    s.Seek(0, 0);
    EXPECT_TRUE(s.ReadStrings().empty());
    EXPECT_TRUE(s.ReadStrings().empty());
    EXPECT_EQ(s.ReadStrings(), (std::vector<std::string> {"a", "b"}));
}

TEST(MemoryTextStream, WriteLineOverwritesBeforeTheEndAndAppendsPastIt)
{
    TMemoryTextStream s("a\r\nb\r\n");
    s.WriteString("x");
    EXPECT_EQ(s.Text(), "x\r\nb\r\n");
    s.Seek(0, 2);
    s.WriteString("c");
    EXPECT_EQ(s.Text(), "x\r\nb\r\nc\r\n");
}

TEST(MemoryTextStream, SeekClampsByOrigin)
{
    TMemoryTextStream s("a\r\nb\r\nc\r\n");
    EXPECT_EQ(s.Seek(5, 0), 3);
    EXPECT_EQ(s.Seek(-2, 1), 1);
    EXPECT_EQ(s.Seek(5, 2), 0);
    EXPECT_EQ(s.Seek(1, 2), 2);
    EXPECT_EQ(s.Seek(1, 7), 2);
}

TEST(MemoryTextStream, CopyFromAppendsUnescapedAndKeepsThePosition)
{
    TMemoryTextStream source("a||b\r\nsnil\r\n");
    TMemoryTextStream target("x\r\n");
    EXPECT_EQ(target.CopyFrom(source, 2), 0);
    EXPECT_EQ(target.Lines(), (std::vector<std::string> {"x", "a\r\nb", ""}));
}

TEST(BusyCursor, NestsAndNeverGoesBelowZero)
{
    std::vector<bool> shapes;
    client::SetCursorShapeHandler([&](bool busy) { shapes.push_back(busy); });
    client::BusyCount = 0;
    client::BeginWaitCursor();
    client::BeginWaitCursor();
    client::EndWaitCursor();
    client::EndWaitCursor();
    client::EndWaitCursor();
    EXPECT_EQ(client::BusyCount, 0);
    EXPECT_EQ(shapes, (std::vector<bool> {true, true, false, false}));
    client::SetCursorShapeHandler(nullptr);
}
