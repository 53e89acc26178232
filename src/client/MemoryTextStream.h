#pragma once
#include "client/VirtualStream.h"

namespace client {

// Line grammar: an empty text travels as "snil", a line break inside a value as
// "||", booleans as "1"/"0", integers in decimal, "{" and "}" around a block.
class TMemoryTextStream final : public TVirtualStream {
public:
    TMemoryTextStream() = default;
    // A received text, split at CR LF, lone CR and lone LF.
    explicit TMemoryTextStream(const std::string& text) { SetText(text); }

    void ReadBegin() override;
    void ReadEnd() override;
    bool IsEnd() const override;
    bool IsToken(const std::string& text) const override;
    bool ReadBoolean() override;
    int32_t ReadInteger() override;
    std::string ReadString() override;
    std::vector<std::string> ReadStrings() override;
    void WriteBoolean(bool value) override;
    void WriteInteger(int32_t value) override;
    void WriteString(const std::string& text) override;
    void WriteStrings(const std::vector<std::string>& items) override;
    void WriteBegin() override;
    void WriteEnd() override;
    int32_t GetPosition() const override { return position_; }
    int32_t CopyFrom(TVirtualStream& source, int32_t count) override;
    int32_t Seek(int32_t offset, int origin) override;

    // Escapes the line breaks of text and writes it at the position (replacing
    // the line there, or appending past the end).
    void WriteLine(const std::string& text);

    // The raw line at the position, and its replacement (client variables are
    // substituted on the raw value line before it is read).
    const std::string& CurrentLine() const;
    void ReplaceCurrentLine(const std::string& line);

    // The lines joined with CR LF after every line, the last one included.
    std::string Text() const;
    void SetText(const std::string& text);

    const std::vector<std::string>& Lines() const { return lines_; }
    int32_t LineCount() const { return static_cast<int32_t>(lines_.size()); }

    // The escaping and unescaping of line breaks, exposed for the few callers
    // that handle raw lines.
    static std::string EscapeLineBreaks(const std::string& text);
    static std::string UnescapeLineBreaks(const std::string& line);

private:
    const std::string& LineAt(int32_t index) const;

    std::vector<std::string> lines_;
    int32_t position_ = 0;
};

} // namespace client
