// Reads an outside file in chunks as UTF-8 bytes: a UTF-8 byte-order mark is dropped and UTF-16
// (with its mark) is converted, so the readers see one encoding and never the whole file at once.
#pragma once

#include <QStringDecoder>
#include <string>

class QIODevice;

namespace rolvane::exchange {

class ByteSource {
public:
    explicit ByteSource(QIODevice& device);

    // The next byte, or -1 at the end.
    int get() {
        if (pos_ == buffer_.size() && !fill())
            return -1;
        return static_cast<unsigned char>(buffer_[pos_++]);
    }
    int peek() {
        if (pos_ == buffer_.size() && !fill())
            return -1;
        return static_cast<unsigned char>(buffer_[pos_]);
    }
    bool atEnd() { return peek() < 0; }
    bool failed() const { return failed_; }

    enum class Line { Read, TooLong, End };
    // One line without its end (LF, CR LF, CR CR LF or a lone CR). Keeps at most `limit` bytes;
    // the rest of a longer line is read past and dropped, and TooLong returned.
    Line readLine(std::string& out, std::size_t limit);
    // Number of the line the next byte belongs to, from 1.
    long long lineNumber() const { return line_; }
    // Consumes a line end at the current position, if there is one; counts it.
    bool skipLineEnd();
    // Counts a line end that the caller consumed with `get`.
    void countLineEnd() { ++line_; }

private:
    bool fill();

    QIODevice& device_;
    std::string buffer_;
    std::size_t pos_ = 0;
    bool started_ = false;
    bool failed_ = false;
    QStringDecoder utf16_;
    long long line_ = 1;
};

} // namespace rolvane::exchange
