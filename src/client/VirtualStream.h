#pragma once
// The text of every engine message: a list of lines with a position, one token a
// line. TVirtualStream is the interface the event sender and the form reader use.
#include <cstdint>
#include <string>
#include <vector>

namespace client {

class TVirtualStream {
public:
    virtual ~TVirtualStream() = default;

    virtual void ReadBegin() = 0;
    virtual void ReadEnd() = 0;
    virtual bool IsEnd() const = 0;
    virtual bool IsToken(const std::string& text) const = 0;
    virtual bool ReadBoolean() = 0;
    virtual int32_t ReadInteger() = 0;
    virtual std::string ReadString() = 0;
    virtual std::vector<std::string> ReadStrings() = 0;
    virtual void WriteBoolean(bool value) = 0;
    virtual void WriteInteger(int32_t value) = 0;
    virtual void WriteString(const std::string& text) = 0;
    virtual void WriteStrings(const std::vector<std::string>& items) = 0;
    virtual void WriteBegin() = 0;
    virtual void WriteEnd() = 0;
    virtual int32_t GetPosition() const = 0;
    virtual int32_t CopyFrom(TVirtualStream& source, int32_t count) = 0;
    virtual int32_t Seek(int32_t offset, int origin) = 0;
};

} // namespace client
