#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmora
{

// Streams the records of a download file without holding more than one record in memory.
//
// Lines: a line ends at LF or CR LF; a CR not followed by LF is dropped; Ctrl-Z (26) ends the
// file. Line 1 is ignored. The marker line "<-- Orders -- >" switches from the order
// section to the item section (a second marker is dropped like the first).
//
// Records (each section on its own, as if its lines were written to a file of their own,
// each ended by CR LF): fields are separated by ";"; a field that begins with a double quote
// runs to the next undoubled double quote ("" is one quote; ";" and line breaks, as CR LF,
// belong to it; the rest up to the separator is ignored) and is taken exactly; any other
// field runs to ";" or the line end and loses leading and trailing bytes up to 32; NUL reads
// as a blank; an empty line is a record with one empty field. Bytes are kept as they are
// (Windows-1252, see AnsiText). A line or a record longer than kMaxLineBytes fails.
class DownloadReader
{
  public:
    enum class Section { Orders, Items };

    static inline const QByteArray kMarker = QByteArrayLiteral("<-- Orders -- >");
    // The longest line or record read: past it the file is damaged (Error), whatever memory
    // there is.
    static constexpr size_t kMaxLineBytes = 1 << 20;

    // Reads from device, which must be open for reading; it is not closed.
    explicit DownloadReader(QIODevice& device);

    // Moves to the next record; false at the end of the file. Throws Error on a read error.
    bool next();

    Section section() const { return recordSection_; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    // Field i of the current record (empty past the last field).
    std::string_view field(int i) const;
    // The current record's number within its section, from 1.
    qint64 recordNumber() const { return recordNumber_; }
    // The line of the download file where the current record starts, from 1.
    qint64 lineNumber() const { return recordLine_; }

  private:
    bool readLine(std::string_view& line);
    bool fillBuffer();
    void parseLine(std::string_view line);
    void startField();
    void pushField(bool trim);
    void finishRecord();

    QIODevice& device_;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    std::string carry_; // a line that spans buffer refills
    bool carryHanded_ = false;
    std::string scratch_; // a line without its dropped carriage returns
    qint64 lineNumber_ = 0;

    Section section_ = Section::Orders; // the section the next line belongs to
    bool inQuotes_ = false;             // a quoted value goes on in the next line
    bool recordOpen_ = false;
    bool ready_ = false;

    std::string data_;                                // field bytes of the record being read
    std::vector<std::pair<size_t, size_t>> building_; // (offset, length) into data_
    size_t fieldStart_ = 0;
    Section recordStartSection_ = Section::Orders;
    qint64 startLine_ = 0;

    std::string current_;                           // the record handed out
    std::vector<std::pair<size_t, size_t>> fields_; // (offset, length) into current_
    Section recordSection_ = Section::Orders;
    qint64 recordNumber_ = 0;
    qint64 recordLine_ = 0;
    qint64 sectionRecords_[2] = {0, 0};
};

} // namespace pelmora
