#pragma once

#include <QString>
#include <QVariant>
#include <functional>

namespace pelmora
{

class DataModule;

// The check that runs after every successful post of the live orders: when the grid's status
// editor changed the status, the first active trigger for the new status opens the email
// dialog with its template.
class StatusTriggers
{
  public:
    static inline const QString kSuffix = QStringLiteral(" method: TdbqueryOrdersAfterPost");
    // Shows the email dialog modally with the template chosen; returns when it has closed.
    using OpenDialog = std::function<void(const QString& templateName)>;

    StatusTriggers(DataModule& data, bool& statusChanged) : data_(data), statusChanged_(statusChanged) {}

    // After a post of TdbQueryOrders: does nothing unless StatusChanged is set; clears it, looks
    // up the first active trigger for status (bound as a value) and opens the dialog with its
    // template. A failure is logged with kSuffix. StatusChanged is clear afterwards.
    void afterOrdersPost(const QVariant& status, const OpenDialog& open);

    // The template of the first active trigger for the status, or a null text. Throws Error.
    QString triggeredTemplate(const QVariant& status);

  private:
    DataModule& data_;
    bool& statusChanged_;
};

} // namespace pelmora
