// SPDX-License-Identifier: GPL-3.0-or-later
// The one place outside bytes enter: chunked, with the byte-order mark settled on the first read.
#include "byte_source.h"

#include <QIODevice>

namespace rolvane::exchange {

namespace {
constexpr qint64 kChunk = 1 << 16;
}

ByteSource::ByteSource(QIODevice& device) : device_(device) {}

bool ByteSource::fill() {
    buffer_.clear();
    pos_ = 0;
    while (buffer_.empty()) {
        char chunk[kChunk];
        const qint64 got = device_.read(chunk, kChunk);
        if (got < 0)
            failed_ = true;
        if (got <= 0) {
            if (utf16_.isValid() && utf16_.hasError())
                failed_ = true;
            return false;
        }
        qint64 start = 0;
        if (!started_) {
            started_ = true;
            const auto* b = reinterpret_cast<const unsigned char*>(chunk);
            if (got >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
                start = 3;
            else if (got >= 2 && b[0] == 0xFF && b[1] == 0xFE)
                utf16_ = QStringDecoder(QStringConverter::Utf16LE), start = 2;
            else if (got >= 2 && b[0] == 0xFE && b[1] == 0xFF)
                utf16_ = QStringDecoder(QStringConverter::Utf16BE), start = 2;
        }
        if (utf16_.isValid()) {
            const QString text = utf16_.decode(QByteArrayView(chunk + start, got - start));
            const QByteArray bytes = text.toUtf8();
            buffer_.assign(bytes.constData(), std::size_t(bytes.size()));
        } else {
            buffer_.assign(chunk + start, std::size_t(got - start));
        }
    }
    return true;
}

bool ByteSource::skipLineEnd() {
    const int c = peek();
    if (c == '\n') {
        get();
    } else if (c == '\r') {
        get();
        // CR CR LF, as some exporters write it, is one line end.
        if (peek() == '\r') {
            get();
            if (peek() == '\n')
                get();
            else
                ++line_; // two lone CRs: two line ends
        } else if (peek() == '\n') {
            get();
        }
    } else {
        return false;
    }
    ++line_;
    return true;
}

ByteSource::Line ByteSource::readLine(std::string& out, std::size_t limit) {
    out.clear();
    if (atEnd())
        return Line::End;
    bool tooLong = false;
    for (;;) {
        // Scan the buffer directly: this loop carries every byte of every file.
        const std::size_t from = pos_;
        std::size_t i = from;
        const std::size_t n = buffer_.size();
        while (i < n && buffer_[i] != '\n' && buffer_[i] != '\r')
            ++i;
        const std::size_t room = limit > out.size() ? limit - out.size() : 0;
        if (i - from > room)
            tooLong = true;
        out.append(buffer_, from, std::min(i - from, room));
        pos_ = i;
        if (i < n)
            break;
        if (!fill())
            break;
    }
    skipLineEnd();
    return tooLong ? Line::TooLong : Line::Read;
}

} // namespace rolvane::exchange
