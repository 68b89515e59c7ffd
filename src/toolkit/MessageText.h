#pragma once

#include <QString>
#include <cerrno>
#include <exception>
#include <stdexcept>

namespace pelmora::toolkit
{

// The longest value quoted whole in a message or a log line.
inline constexpr int kQuotedValueLimit = 200;

// A value as a message quotes it: NUL shown as "\0" (so nothing cuts the message there), and
// past the limit its first characters, "..." and its length, so that a damaged megabyte
// never floods a log.
inline QString quotedValue(const QString& value, int limit = kQuotedValueLimit)
{
    QString text = value.size() > limit ? value.left(limit) : value;
    text.replace(QChar(0), QStringLiteral("\\0"));
    if (value.size() > limit)
        text += QStringLiteral("... (%1 characters)").arg(value.size());
    return text;
}

inline const QString kDiskFull = QStringLiteral("The disk is full");

// What a failed write or copy says: "The disk is full" for a full disk or quota, else the
// system's own text.
inline QString fileErrorText(int errorNumber, const QString& systemText)
{
    return errorNumber == ENOSPC || errorNumber == EDQUOT ? kDiskFull : systemText;
}

// An error that keeps its whole message: what() ends at the first NUL, message() does not.
class MessageError : public std::runtime_error
{
  public:
    explicit MessageError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

  private:
    QString message_;
};

// The whole message of any error.
inline QString messageOf(const std::exception& e)
{
    if (const auto* m = dynamic_cast<const MessageError*>(&e))
        return m->message();
    return QString::fromStdString(e.what());
}

} // namespace pelmora::toolkit
