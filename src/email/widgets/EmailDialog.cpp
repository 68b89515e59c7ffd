#include "email/widgets/EmailDialog.h"

#include "common/ApplicationError.h"
#include "common/Guard.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "email/EmailComposer.h"
#include "email/PreviewHtml.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

namespace pelmora
{

namespace
{
constexpr int kCaptionWidth = 163;
constexpr int kMessageHeight = 60;

// A page of the preview, which knows the text it was made from and whether it read anything
// else (a picture, a style sheet) that may have changed since.
class PreviewPage : public QTextDocument
{
  public:
    PreviewPage(const QString& html, QObject* parent) : QTextDocument(parent), html_(html) {}

    bool shows(const QString& html, const QUrl& base) const
    {
        return !readFiles_ && baseUrl() == base && html_ == html;
    }

  protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        readFiles_ = true;
        return QTextDocument::loadResource(type, name);
    }

  private:
    QString html_;
    bool readFiles_ = false;
};

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedWidth(kCaptionWidth);
    return label;
}
} // namespace

EmailDialog::EmailDialog(EmailComposer& composer, UserPort& port, const ServiceSettings& service, QWidget* parent)
    : QDialog(parent), composer_(composer), port_(port), service_(service)
{
    setObjectName(QStringLiteral("emailDialog"));
    setWindowTitle(kCaption);
    setModal(true);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(QStringLiteral("Tools"), this);
    bar->setObjectName(QStringLiteral("toolbarTools"));
    buildToolbar(bar);
    layout->addWidget(bar);
    layout->addWidget(buildFields());

    preview_ = new QTextBrowser(this);
    preview_->setObjectName(QStringLiteral("emailPreview"));
    preview_->setOpenLinks(false);
    preview_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(preview_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { port_.openUrl(url); });
    connect(preview_, &QWidget::customContextMenuRequested, this, &EmailDialog::showPreviewMenu);
    layout->addWidget(preview_, 1);

    status_ = new QStatusBar(this);
    status_->setObjectName(QStringLiteral("emailStatusBar"));
    status_->setSizeGripEnabled(false);
    layout->addWidget(status_);

    resize(702, 388);
    setMinimumHeight(300);
    // The sender may not have been read yet: "To" is the current order's address from the start.
    composer_.setToFromOrder();
    showFields();
}

EmailDialog::~EmailDialog() = default;

void EmailDialog::buildToolbar(QToolBar* bar)
{
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->setMovable(false);
    const auto add = [&](const char* name, const QString& text, auto slot) {
        QAction* action = bar->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("actionEmailRefresh", QStringLiteral("Refresh"), [this] { rebuild(); })->setShortcut(QKeySequence::Refresh);
    add("actionEmailSend", QStringLiteral("Send"), [this] { send(); });
    add("actionEmailHelp", QStringLiteral("Help"),
        [this] { RunCommand(port_, [this] { port_.openUrl(QUrl(service_.supportUrl())); }); });
    add("actionEmailClose", QStringLiteral("Close"), [this] { reject(); });
}

QWidget* EmailDialog::buildFields()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("emailFields"));
    panel->setAutoFillBackground(true);
    QPalette grey = panel->palette();
    grey.setColor(QPalette::Window, grey.color(QPalette::Button));
    panel->setPalette(grey);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    const auto line = [&](const char* name, const QString& text, int row) {
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(QString::fromLatin1(name));
        QLabel* label = caption(text, panel);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        // Enter moves on, as Tab does.
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
        return edit;
    };
    to_ = line("emailTo", QStringLiteral("To"), 0);
    cc_ = line("emailCc", QStringLiteral("Cc"), 1);
    subject_ = line("emailSubject", QStringLiteral("Subject"), 2);

    message_ = new QPlainTextEdit(panel);
    message_->setObjectName(QStringLiteral("emailAdditionalMessage"));
    message_->setFixedHeight(kMessageHeight);
    message_->setTabChangesFocus(true);
    grid->addWidget(caption(QStringLiteral("Additional message"), panel), 3, 0, Qt::AlignTop);
    grid->addWidget(message_, 3, 1);

    templates_ = new QComboBox(panel);
    templates_->setObjectName(QStringLiteral("emailTemplate"));
    templates_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QLabel* templateLabel = caption(QStringLiteral("Selected  template"), panel);
    templateLabel->setBuddy(templates_);
    grid->addWidget(templateLabel, 4, 0);
    grid->addWidget(templates_, 4, 1, Qt::AlignLeft);
    connect(templates_, &QComboBox::currentIndexChanged, this, &EmailDialog::templateChosen);
    return panel;
}

void EmailDialog::openModal()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void EmailDialog::fillTemplateBox()
{
    filling_ = true;
    templates_->clear();
    GuardWith([this](const QString& message) { showStatus(message); },
              [this] {
                  for (const EmailTemplate& row : composer_.templates())
                      templates_->addItem(row.name);
                  templates_->setCurrentIndex(templates_->findText(composer_.templateName(), Qt::MatchExactly));
              });
    filling_ = false;
}

bool EmailDialog::chooseTemplate(const QString& name)
{
    bool chosen = false;
    RunCommand(port_, [&] { chosen = composer_.chooseTemplate(name); });
    if (!chosen)
        showStatus(QStringLiteral("There is no template named \"%1\"").arg(name));
    if (isVisible()) {
        fillTemplateBox();
        rebuild();
    }
    return chosen;
}

void EmailDialog::templateChosen(int index)
{
    if (filling_ || index < 0)
        return;
    RunCommand(port_, [&] { composer_.chooseTemplate(templates_->itemText(index)); });
    rebuild();
}

void EmailDialog::collectFields()
{
    MessageFields& fields = composer_.fields();
    fields.to = to_->text();
    fields.cc = cc_->text();
    fields.subject = subject_->text();
    fields.additionalMessage = message_->toPlainText();
}

void EmailDialog::showFields()
{
    const MessageFields& fields = composer_.fields();
    to_->setText(fields.to);
    cc_->setText(fields.cc);
    subject_->setText(fields.subject);
}

void EmailDialog::rebuild()
{
    collectFields();
    bool built = false;
    const bool ok = GuardWith(
        [this](const QString& message) {
            ApplicationError(port_, message);
            showStatus(QStringLiteral("The message could not be rebuilt: ") + message);
        },
        [&] { built = composer_.rebuild(); });
    if (!ok)
        return;
    if (!built) {
        showStatus(QStringLiteral("There is no order to write to"));
        return;
    }
    showFields();
    showPreview(composer_.preview());
    showStatus(QStringLiteral("\"%1\" for %2").arg(templates_->currentText(), composer_.fields().to));
}

void EmailDialog::send()
{
    collectFields();
    EmailComposer::SendOutcome outcome = EmailComposer::SendOutcome::NoSender;
    const bool sent = GuardWith(
        [this](const QString& message) {
            ApplicationError(port_, message);
            showStatus(message);
        },
        [&] { outcome = composer_.send(); });
    if (!sent)
        return;
    if (outcome == EmailComposer::SendOutcome::NoSender) {
        QMessageBox box(QMessageBox::Question, parentWidget() ? parentWidget()->window()->windowTitle() : windowTitle(),
                        EmailComposer::kNoSenderMessage, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("noSenderBox"));
        box.exec();
        port_.openPreferences(kPreferencesTab);
        return;
    }
    accept();
}

void EmailDialog::showPreview(const QString& html)
{
    const QUrl base = QUrl::fromLocalFile(composer_.previewFile());
    QTextDocument* shown = preview_->document();
    if (const auto* page = dynamic_cast<const PreviewPage*>(shown); page && page->shows(html, base)) {
        // The same page, drawn from the same text alone: shown from the top, as a new one is.
        preview_->setTextCursor(QTextCursor(shown));
        preview_->horizontalScrollBar()->setValue(preview_->horizontalScrollBar()->minimum());
        preview_->verticalScrollBar()->setValue(preview_->verticalScrollBar()->minimum());
        return;
    }
    // A new page is parsed into a document of its own and handed to the view, which then lays
    // it out once at its width. Filling the view's own document lays out the whole page again
    // for every change of size and scroll bar along the way: several times as long for a long
    // order, whose page is one large table.
    auto* page = new PreviewPage(html, preview_);
    // Latin text needs no shaping, which is most of the time its layout takes.
    QFont font = preview_->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    page->setDefaultFont(font);
    page->setDefaultTextOption(shown->defaultTextOption());
    page->setDocumentMargin(shown->documentMargin());
    page->setBaseUrl(base);
    // No width yet, so nothing is laid out before the view gives it its own.
    page->setPageSize(QSizeF(0, 0));
    page->setHtml(PreviewHtml(html));
    // The view deletes the document it made itself; the ones made here are deleted here.
    const std::unique_ptr<QTextDocument> previous(shown->parent() == preview_ ? shown : nullptr);
    preview_->setDocument(page);
}

void EmailDialog::showPreviewMenu(const QPoint& at)
{
    QMenu* menu = preview_->createStandardContextMenu(at);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    QAction* open = menu->addAction(QStringLiteral("Open in web browser"));
    open->setObjectName(QStringLiteral("actionOpenPreviewInBrowser"));
    connect(open, &QAction::triggered, this, [this] { port_.openUrl(QUrl::fromLocalFile(composer_.previewFile())); });
    menu->popup(preview_->viewport()->mapToGlobal(at));
}

void EmailDialog::showStatus(const QString& text)
{
    status_->showMessage(text);
}

void EmailDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    fillTemplateBox();
    rebuild();
    rebuildOnActivation_ = false;
}

bool EmailDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        rebuildOnActivation_ = true;
    else if (event->type() == QEvent::WindowActivate && rebuildOnActivation_) {
        rebuildOnActivation_ = false;
        rebuild();
    }
    return QDialog::event(event);
}

} // namespace pelmora
