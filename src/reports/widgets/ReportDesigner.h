#pragma once

#include "reports/DataPipeline.h"
#include "reports/ReportRepository.h"
#include "reports/widgets/DesignCanvas.h"

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QFormLayout;
class QLineEdit;
class QToolBar;
class QPlainTextEdit;
class QTreeWidget;
class QUndoStack;

namespace pelmora::reports
{

// "Pelmora Report Designer": a stored layout on a page drawn to scale, a field list of the
// pipelines to drag fields from, a property panel for the chosen element or band, undo and
// redo, preview and saving to the repository.
class ReportDesigner : public QDialog
{
    Q_OBJECT
  public:
    static inline const QString kCaption = QStringLiteral("Pelmora Report Designer");

    // pipelines: makes the data a preview reads (Throws Error); fieldSource: the pipelines'
    // fields, read once.
    ReportDesigner(ReportRepository& repository, int reportId,
                   std::function<std::unique_ptr<DataPipelines>()> pipelines, QWidget* parent = nullptr);
    ~ReportDesigner() override;

    // False when the layout could not be read (the reason was shown).
    bool isLoaded() const { return loaded_; }
    const ReportLayout& layout() const { return canvas_->layout(); }
    DesignCanvas* canvas() const { return canvas_; }
    QTreeWidget* fieldList() const { return fields_; }
    QUndoStack* undoStack() const { return undo_; }
    bool isModified() const;

    bool save();
    void preview();
    // Changes the layout as one undoable step.
    void change(const ReportLayout& layout, const QString& what);
    // What an undo step leaves: the layout shown and the base of the next step.
    void setCurrent(const ReportLayout& layout);
    void addBand(BandKind kind);
    void removeSelectedBand();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void buildToolbar(QToolBar* bar);
    void buildFieldList();
    void buildProperties(QWidget* panel);
    void showProperties();
    void applyProperties();
    bool askToSave();

    ReportRepository& repository_;
    int reportId_;
    std::function<std::unique_ptr<DataPipelines>()> pipelines_;
    bool loaded_ = false;
    ReportLayout committed_;
    DesignCanvas* canvas_ = nullptr;
    QTreeWidget* fields_ = nullptr;
    QUndoStack* undo_ = nullptr;
    bool updating_ = false;
    // the property panel
    QFormLayout* form_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QDoubleSpinBox* x_ = nullptr;
    QDoubleSpinBox* y_ = nullptr;
    QDoubleSpinBox* width_ = nullptr;
    QDoubleSpinBox* height_ = nullptr;
    QFontComboBox* font_ = nullptr;
    QDoubleSpinBox* size_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QCheckBox* italic_ = nullptr;
    QComboBox* align_ = nullptr;
    QCheckBox* frame_ = nullptr;
    QCheckBox* wrap_ = nullptr;
    QComboBox* format_ = nullptr;
    QLineEdit* color_ = nullptr;
    QLineEdit* background_ = nullptr;
    QDoubleSpinBox* bandHeight_ = nullptr;
    QLineEdit* groupField_ = nullptr;
    QCheckBox* newPage_ = nullptr;
};

} // namespace pelmora::reports
