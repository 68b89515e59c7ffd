#include "intake/DownloadReader.h"

#include "common/Error.h"

#include <cstring>

namespace pelmora
{

namespace
{
constexpr size_t kBufferSize = 1 << 18;
constexpr char kCtrlZ = 26;

[[noreturn]] void tooLong(const char* what, qint64 line)
{
    throw Error(QStringLiteral("The %1 at line %2 of the download is longer than %3 bytes; no order or item "
                               "comes near that size, so the file is damaged")
                    .arg(QLatin1String(what))
                    .arg(line)
                    .arg(DownloadReader::kMaxLineBytes));
}

// Appends bytes to out with NUL read as a blank (mayHoldNul: the line holds a NUL).
void appendField(std::string& out, const char* data, size_t length, bool mayHoldNul)
{
    const size_t at = out.size();
    out.append(data, length);
    if (!mayHoldNul)
        return;
    char* p = out.data() + at;
    char* const end = out.data() + out.size();
    while ((p = static_cast<char*>(std::memchr(p, '\0', static_cast<size_t>(end - p))))) {
        *p = ' ';
        ++p;
    }
}

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}
} // namespace

DownloadReader::DownloadReader(QIODevice& device) : device_(device), buffer_(kBufferSize)
{
}

std::string_view DownloadReader::field(int i) const
{
    if (i < 0 || i >= fieldCount())
        return {};
    const auto& [offset, length] = fields_[static_cast<size_t>(i)];
    return std::string_view(current_.data() + offset, length);
}

bool DownloadReader::fillBuffer()
{
    begin_ = end_ = 0;
    if (eof_)
        return false;
    const qint64 n = device_.read(buffer_.data(), static_cast<qint64>(buffer_.size()));
    if (n < 0)
        throw Error(device_.errorString());
    if (n == 0) {
        eof_ = true;
        return false;
    }
    end_ = static_cast<size_t>(n);
    // Ctrl-Z ends the file: nothing after it is read.
    if (const void* z = std::memchr(buffer_.data(), kCtrlZ, end_)) {
        end_ = static_cast<size_t>(static_cast<const char*>(z) - buffer_.data());
        eof_ = true;
    }
    return true;
}

bool DownloadReader::readLine(std::string_view& line)
{
    if (carryHanded_) {
        carry_.clear();
        carryHanded_ = false;
    }
    for (;;) {
        if (begin_ < end_) {
            const char* start = buffer_.data() + begin_;
            const char* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
            if (lf) {
                const size_t length = static_cast<size_t>(lf - start);
                if (carry_.size() + length > kMaxLineBytes)
                    tooLong("line", lineNumber_ + 1);
                begin_ += length + 1;
                if (carry_.empty()) {
                    line = std::string_view(start, length);
                } else {
                    carry_.append(start, length);
                    line = carry_;
                    carryHanded_ = true;
                }
                break;
            }
            if (carry_.size() + (end_ - begin_) > kMaxLineBytes)
                tooLong("line", lineNumber_ + 1);
            carry_.append(start, end_ - begin_);
            begin_ = end_;
        }
        if (!fillBuffer()) {
            if (carry_.empty())
                return false;
            // The last line has no line feed.
            line = carry_;
            carryHanded_ = true;
            break;
        }
    }
    // A carriage return belongs to the line end before LF and is dropped anywhere else.
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (std::memchr(line.data(), '\r', line.size())) {
        scratch_.clear();
        for (const char c : line)
            if (c != '\r')
                scratch_.push_back(c);
        line = scratch_;
    }
    ++lineNumber_;
    return true;
}

void DownloadReader::startField()
{
    fieldStart_ = data_.size();
}

void DownloadReader::pushField(bool trim)
{
    size_t begin = fieldStart_;
    size_t end = data_.size();
    if (trim) {
        while (begin < end && isBlank(data_[begin]))
            ++begin;
        while (end > begin && isBlank(data_[end - 1]))
            --end;
    }
    building_.emplace_back(begin, end - begin);
}

void DownloadReader::parseLine(std::string_view line)
{
    if (!recordOpen_) {
        recordOpen_ = true;
        recordStartSection_ = section_;
        startLine_ = lineNumber_;
        data_.clear();
        building_.clear();
    }
    const char* const base = line.data();
    const size_t n = line.size();
    const bool nul = std::memchr(base, '\0', n) != nullptr;
    size_t i = 0;
    for (;;) {
        if (inQuotes_) {
            const char* q = static_cast<const char*>(std::memchr(base + i, '"', n - i));
            if (!q) {
                // The value goes on in the next line, with the line break in it.
                if (data_.size() + (n - i) > kMaxLineBytes)
                    tooLong("quoted value starting", startLine_);
                appendField(data_, base + i, n - i, nul);
                data_.append("\r\n", 2);
                return;
            }
            const size_t at = static_cast<size_t>(q - base);
            appendField(data_, base + i, at - i, nul);
            if (at + 1 < n && base[at + 1] == '"') {
                data_.push_back('"');
                i = at + 2;
                continue;
            }
            inQuotes_ = false;
            i = at + 1;
            // What follows the closing quote up to the separator is ignored.
            const char* sep = static_cast<const char*>(std::memchr(base + i, ';', n - i));
            pushField(false);
            if (!sep) {
                finishRecord();
                return;
            }
            i = static_cast<size_t>(sep - base) + 1;
        }
        // At the start of a field.
        startField();
        if (i < n && base[i] == '"') {
            inQuotes_ = true;
            ++i;
            continue;
        }
        const char* sep = static_cast<const char*>(std::memchr(base + i, ';', n - i));
        const size_t stop = sep ? static_cast<size_t>(sep - base) : n;
        appendField(data_, base + i, stop - i, nul);
        pushField(true);
        if (!sep) {
            finishRecord();
            return;
        }
        i = stop + 1;
    }
}

void DownloadReader::finishRecord()
{
    if (inQuotes_) {
        // The section ended inside a quoted value: the value ends there.
        pushField(false);
        inQuotes_ = false;
    }
    current_.swap(data_);
    fields_.swap(building_);
    recordSection_ = recordStartSection_;
    recordNumber_ = ++sectionRecords_[recordSection_ == Section::Orders ? 0 : 1];
    recordLine_ = startLine_;
    recordOpen_ = false;
    ready_ = true;
}

bool DownloadReader::next()
{
    ready_ = false;
    std::string_view line;
    while (!ready_) {
        if (!readLine(line)) {
            if (recordOpen_)
                finishRecord();
            return ready_;
        }
        if (lineNumber_ == 1)
            continue;
        if (line == std::string_view(kMarker.constData(), static_cast<size_t>(kMarker.size()))) {
            // The first marker ends the order section; a later one is dropped.
            if (section_ == Section::Orders) {
                if (recordOpen_)
                    finishRecord();
                section_ = Section::Items;
            }
            continue;
        }
        parseLine(line);
    }
    return true;
}

} // namespace pelmora
