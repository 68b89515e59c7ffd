#include "reports/ReportOutput.h"

#include "common/Error.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextStream>

namespace pelmora::reports
{

namespace
{
// Writes a text file whole or not at all.
class TextFile
{
  public:
    explicit TextFile(const QString& path) : file_(path)
    {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Text))
            throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, file_.errorString()));
        stream_.setDevice(&file_);
    }
    QTextStream& stream() { return stream_; }
    void commit()
    {
        stream_.flush();
        if (!file_.commit())
            throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(file_.fileName(), file_.errorString()));
    }

  private:
    QSaveFile file_;
    QTextStream stream_;
};

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}
} // namespace

int ReportOutput::paint(PageSource& source, QPagedPaintDevice& device, int first, int last)
{
    QPainter painter;
    const double k = device.logicalDpiX() / 25.4;
    int count = 0;
    for (int i = first; (last < 0 || i <= last) && source.ensurePage(i); ++i) {
        if (count == 0) {
            if (!painter.begin(&device))
                throw Error(QStringLiteral("Cannot start printing"));
        } else if (!device.newPage()) {
            throw Error(QStringLiteral("Cannot start a new page"));
        }
        source.paintPage(i, painter, k);
        source.releasePagesBefore(i);
        ++count;
    }
    if (count == 0) {
        // An empty report still makes a valid document of one blank page.
        if (!painter.begin(&device))
            throw Error(QStringLiteral("Cannot start printing"));
    }
    painter.end();
    return count;
}

int ReportOutput::writePdf(PageSource& source, const QString& path)
{
    QFileInfo info(path);
    const QString temp = path + QStringLiteral(".part");
    int pages = 0;
    {
        QPdfWriter writer(temp);
        writer.setTitle(source.title());
        writer.setCreator(QStringLiteral("Pelmora"));
        writer.setResolution(600);
        writer.setPageSize(QPageSize(source.pageSize(), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        try {
            pages = paint(source, writer);
        } catch (...) {
            QFile::remove(temp);
            throw;
        }
    }
    QFile::remove(path);
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        throw Error(QStringLiteral("Cannot write \"%1\"").arg(path));
    }
    return pages;
}

QStringList ReportOutput::writeImages(PageSource& source, const QString& path, int dotsPerInch)
{
    const QFileInfo info(path);
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    const double k = dotsPerInch / 25.4;
    const QSize size(qRound(source.pageSize().width() * k), qRound(source.pageSize().height() * k));
    QStringList files;
    for (int i = 0; source.ensurePage(i); ++i) {
        QImage image(size, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(k * 1000));
        image.setDotsPerMeterY(qRound(k * 1000));
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            source.paintPage(i, painter, k);
        }
        const QString file = QStringLiteral("%1-%2.png").arg(base).arg(i + 1);
        if (!image.save(file, "PNG"))
            throw Error(QStringLiteral("Cannot write \"%1\"").arg(file));
        files << file;
        source.releasePagesBefore(i);
    }
    return files;
}

int ReportOutput::writeHtml(PageSource& source, const QString& path)
{
    TextFile file(path);
    QTextStream& out = file.stream();
    const QSizeF size = source.pageSize();
    out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" << escaped(source.title())
        << "</title>\n<style>body{background:#888}.page{position:relative;background:#fff;margin:1em auto;width:"
        << size.width() << "mm;height:" << size.height()
        << "mm}.page div{position:absolute;white-space:nowrap;overflow:hidden;font:9pt sans-serif}</style>"
           "</head><body>\n";
    int i = 0;
    for (; source.ensurePage(i); ++i) {
        out << "<div class=\"page\">\n";
        for (const PageText& t : source.pageTexts(i)) {
            const char* align = (t.alignment & Qt::AlignRight)     ? "right"
                                : (t.alignment & Qt::AlignHCenter) ? "center"
                                                                   : "left";
            out << "<div style=\"left:" << t.rect.x() << "mm;top:" << t.rect.y() << "mm;width:" << t.rect.width()
                << "mm;height:" << t.rect.height() << "mm;text-align:" << align << "\">" << escaped(t.text)
                << "</div>\n";
        }
        out << "</div>\n";
        source.releasePagesBefore(i);
    }
    out << "</body></html>\n";
    file.commit();
    return i;
}

int ReportOutput::writeText(PageSource& source, const QString& path)
{
    TextFile file(path);
    QTextStream& out = file.stream();
    int i = 0;
    for (; source.ensurePage(i); ++i) {
        if (i > 0)
            out << '\f';
        double lineTop = -1000;
        QString line;
        for (const PageText& t : source.pageTexts(i)) {
            if (t.rect.top() - lineTop > 1.0) {
                if (lineTop > -1000)
                    out << line.trimmed() << '\n';
                line.clear();
                lineTop = t.rect.top();
            }
            // Columns at their place: about 2 mm per character.
            const int column = int(t.rect.left() / 2.0);
            if (line.size() < column)
                line += QString(column - line.size(), QLatin1Char(' '));
            else if (!line.isEmpty())
                line += QLatin1Char(' ');
            line += t.text;
        }
        if (lineTop > -1000)
            out << line.trimmed() << '\n';
        source.releasePagesBefore(i);
    }
    file.commit();
    return i;
}

} // namespace pelmora::reports
