#include "export/DocxWriter.h"

#include "common/Error.h"
#include "export/Markup.h"
#include "export/PageGeometry.h"

#include <QFileInfo>
#include <cmath>
#include <zip.h>

namespace pelmora
{

namespace
{

const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";

const char* kPackageRelations =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/></Relationships>";

const char* kDocumentRelations =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";

int twips(double points)
{
    return int(std::lround(points * 20.0));
}

QByteArray attribute(const QString& value)
{
    QByteArray out;
    markup::appendEscaped(out, value.toUtf8());
    return out;
}

// Owns the zip archive until it is closed or given up.
class Archive
{
  public:
    explicit Archive(const QString& path)
    {
        int error = 0;
        zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!zip_) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            const QString message = QString::fromUtf8(zip_error_strerror(&e));
            zip_error_fini(&e);
            throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, message));
        }
    }
    ~Archive()
    {
        if (zip_)
            zip_discard(zip_);
    }
    void add(const char* name, zip_source_t* source)
    {
        if (!source || zip_file_add(zip_, name, source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (source)
                zip_source_free(source);
            fail();
        }
    }
    void addBuffer(const char* name, const char* data) { add(name, zip_source_buffer(zip_, data, qstrlen(data), 0)); }
    void addFile(const char* name, const QString& file)
    {
        add(name, zip_source_file(zip_, QFile::encodeName(file).constData(), 0, 0));
    }
    void close()
    {
        if (zip_close(zip_) != 0)
            fail();
        zip_ = nullptr;
    }

  private:
    [[noreturn]] void fail() { throw Error(QStringLiteral("Cannot write the document: %1").arg(zip_strerror(zip_))); }
    zip_t* zip_ = nullptr;
};

} // namespace

DocxWriter::~DocxWriter() = default;

void DocxWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    path_ = path;
    captionBold_ = options.captionBold;
    captionCentred_ = options.captionCentred;
    right_.clear();
    double natural = 0;
    for (const ExportColumn& c : layout_.columns) {
        right_ << (c.type == ExportType::Integer || c.type == ExportType::Number || c.type == ExportType::Money);
        natural += PageGeometry::naturalWidth(c.type);
    }
    const PageGeometry page = PageGeometry::of(options, natural);
    const double scale = natural > 0 ? std::max(1.0, page.textWidth() / natural) : 1.0;

    const QByteArray font = attribute(options.dataFont);
    styles_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
              "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"" +
              font + "\" w:hAnsi=\"" + font + "\" w:cs=\"" + font +
              "\"/><w:sz w:val=\"16\"/></w:rPr></w:rPrDefault>"
              "<w:pPrDefault><w:pPr><w:spacing w:before=\"0\" w:after=\"0\"/></w:pPr></w:pPrDefault>"
              "</w:docDefaults></w:styles>";
    const QByteArray captionFont = attribute(options.captionFont);
    fonts_ = QString::fromUtf8("<w:rFonts w:ascii=\"" + captionFont + "\" w:hAnsi=\"" + captionFont + "\" w:cs=\"" +
                               captionFont + "\"/>");

    // The document part goes to a work file beside the target, removed with the writer.
    body_ = std::make_unique<QTemporaryFile>(QFileInfo(path).absolutePath() + QStringLiteral("/.docx-body-XXXXXX"));
    if (!body_->open())
        throw Error(
            QStringLiteral("Cannot write in \"%1\": %2").arg(QFileInfo(path).absolutePath(), body_->errorString()));
    body_->close();
    sink_.open(body_->fileName());

    QByteArray& out = sink_.buffer();
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
           "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        out += QByteArray("<w:") + side + " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"A0A0A0\"/>";
    out += "</w:tblBorders><w:tblLayout w:type=\"fixed\"/>"
           "<w:tblCellMar><w:left w:w=\"60\" w:type=\"dxa\"/><w:right w:w=\"60\" w:type=\"dxa\"/></w:tblCellMar>"
           "</w:tblPr><w:tblGrid>";
    for (const ExportColumn& c : layout_.columns)
        out += "<w:gridCol w:w=\"" + QByteArray::number(twips(PageGeometry::naturalWidth(c.type) * scale)) + "\"/>";
    out += "</w:tblGrid><w:tr><w:trPr><w:tblHeader/></w:trPr>";
    for (const ExportColumn& c : layout_.columns)
        appendCell(out, c.caption, true, false);
    out += "</w:tr>\n";

    // The section properties follow the table at the end.
    QByteArray section = "<w:sectPr><w:pgSz w:w=\"" + QByteArray::number(twips(page.paper.width())) + "\" w:h=\"" +
                         QByteArray::number(twips(page.paper.height())) + "\"" +
                         (page.landscape ? " w:orient=\"landscape\"" : "") + "/><w:pgMar w:top=\"" +
                         QByteArray::number(twips(page.top)) + "\" w:right=\"" + QByteArray::number(twips(page.right)) +
                         "\" w:bottom=\"" + QByteArray::number(twips(page.bottom)) + "\" w:left=\"" +
                         QByteArray::number(twips(page.left)) +
                         "\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/></w:sectPr>";
    scratch_ = section;
}

void DocxWriter::appendCell(QByteArray& out, const QString& text, bool caption, bool right) const
{
    out += "<w:tc><w:p>";
    if (caption && captionCentred_)
        out += "<w:pPr><w:jc w:val=\"center\"/></w:pPr>";
    else if (right)
        out += "<w:pPr><w:jc w:val=\"right\"/></w:pPr>";
    if (!text.isEmpty()) {
        out += "<w:r>";
        if (caption)
            out += "<w:rPr>" + fonts_.toUtf8() + (captionBold_ ? "<w:b/>" : "") + "</w:rPr>";
        out += "<w:t xml:space=\"preserve\">";
        markup::appendEscaped(out, text.toUtf8(), "</w:t><w:br/><w:t xml:space=\"preserve\">");
        out += "</w:t></w:r>";
    }
    out += "</w:p></w:tc>";
}

void DocxWriter::writeRow(const RowSource& row)
{
    QByteArray& out = sink_.buffer();
    out += "<w:tr>";
    for (qsizetype i = 0; i < layout_.fields.size(); ++i)
        appendCell(out, cells_.display(row, layout_.fields[i], layout_.columns[i].type), false, right_[i]);
    out += "</w:tr>\n";
    sink_.spill();
}

void DocxWriter::finish()
{
    sink_.buffer() += "</w:tbl><w:p/>" + scratch_ + "</w:body></w:document>\n";
    sink_.close();
    Archive archive(path_);
    archive.addBuffer("[Content_Types].xml", kContentTypes);
    archive.addBuffer("_rels/.rels", kPackageRelations);
    archive.addBuffer("word/_rels/document.xml.rels", kDocumentRelations);
    archive.addBuffer("word/styles.xml", styles_.constData());
    archive.addFile("word/document.xml", body_->fileName());
    archive.close();
    body_.reset();
}

} // namespace pelmora
