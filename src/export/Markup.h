#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace pelmora::markup
{

// Appends UTF-8 text as XML/HTML character data: & < > " ' as entities, and the control
// characters XML 1.0 does not allow dropped (a stray one would make the whole file unreadable).
// lineBreak, when not empty, replaces each line break (CR LF, LF or CR).
void appendEscaped(QByteArray& out, QByteArrayView text, QByteArrayView lineBreak = {});

// A valid XML element name made from a field name ("Orders.ShopperID" stays, "Qty 2" becomes
// "Qty_2", "2nd" becomes "_2nd").
QByteArray elementName(const QString& name);

} // namespace pelmora::markup
