#include "toolkit/SqlUtil.h"

#include <QSqlError>
#include <QSqlQuery>

namespace pelmora::toolkit::sql {

QString quoted(const QString &identifier) {
  QString text = identifier;
  text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

QVariant normalized(const QVariant &value) { return value.isNull() ? QVariant() : value; }

bool run(QSqlQuery &query, const QString &text, const QVariantList &values, QString *error) {
  bool ok = query.prepare(text);
  if (ok) {
    for (const QVariant &value : values)
      query.addBindValue(value);
    ok = query.exec();
  }
  if (!ok && error) {
    const QSqlError failure = query.lastError();
    *error = failure.text().trimmed();
    if (error->isEmpty())
      *error = QStringLiteral("The statement failed: ") + text;
  }
  return ok;
}

} // namespace pelmora::toolkit::sql
