#pragma once

#include "export/ExportColumn.h"
#include "export/ExportOptions.h"
#include "export/Exporter.h"
#include "export/RowSource.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QStackedWidget;

namespace pelmora
{

// The export dialog over one data set: the format (XLS, Word, RTF, HTML, XML, PDF, TXT, CSV),
// the file, the fields and each format's options. It loads its options file when it opens and
// has Save and Load options buttons for it. "Export" writes the file with a progress dialog that
// can cancel; a failure is shown and the dialog stays open with everything as it was.
class ExportDialog : public QDialog
{
    Q_OBJECT
  public:
    using SourceOpener = std::function<std::unique_ptr<RowSource>()>;

    ExportDialog(const QString& caption, const ExportColumns& columns, const QString& optionsFile,
                 SourceOpener openSource, QWidget* parent = nullptr);
    ~ExportDialog() override;

    // The document's title written into the formats that have one.
    void setDocumentTitle(const QString& title) { title_ = title; }

    ExportOptions options() const;
    void setOptions(const ExportOptions& options);

    // Reads the options file into the controls (defaults when it is missing).
    void loadOptions();
    // Writes the controls to the options file.
    void saveOptions();

    // Runs the export as the Export button does; true when the file was written.
    bool exportNow();
    const ExportResult& exportResult() const { return result_; }
    QString fileName() const;

  private:
    void build();
    void formatChanged();
    void browse();
    void setAllFields(bool on);
    void report(const QString& text);
    QString completedFileName() const;

    QString optionsFile_;
    ExportColumns columns_;
    SourceOpener openSource_;
    QString title_;
    ExportResult result_;
    ExportOptions hidden_; // options without a control keep their loaded values
    QString confirmedFile_;

    QComboBox* format_ = nullptr;
    QLineEdit* file_ = nullptr;
    QListWidget* fields_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QLineEdit* sheetTitle_ = nullptr;
    QLineEdit* footer_ = nullptr;
    QComboBox* pageSize_ = nullptr;
    QComboBox* orientation_ = nullptr;
    QDoubleSpinBox* marginLeft_ = nullptr;
    QDoubleSpinBox* marginRight_ = nullptr;
    QDoubleSpinBox* marginTop_ = nullptr;
    QDoubleSpinBox* marginBottom_ = nullptr;
    QFontComboBox* captionFont_ = nullptr;
    QFontComboBox* dataFont_ = nullptr;
    QCheckBox* captionBold_ = nullptr;
    QCheckBox* captionCentred_ = nullptr;
    QLineEdit* separator_ = nullptr;
    QCheckBox* headerRow_ = nullptr;
    QCheckBox* byteOrderMark_ = nullptr;
    QCheckBox* markFormulas_ = nullptr;
    QLabel* message_ = nullptr;
};

} // namespace pelmora
