#include "app/notice.h"

#include <QMessageBox>

namespace korvalo {

namespace {

constexpr char noticeName[] = "korvalo-notice";

}  // namespace

void showNotice(QWidget& parent, const QString& text)
{
    showNotice(parent, text, {});
}

void showNotice(QWidget& parent, const QString& text, const std::function<void(QMessageBox&)>& extend,
                NoticeKind kind)
{
    QMessageBox box(kind == NoticeKind::Information ? QMessageBox::Information : QMessageBox::Warning,
                    QStringLiteral("Korvalo"), text, QMessageBox::Ok, &parent);
    box.setObjectName(QLatin1String(noticeName));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    if (extend)
        extend(box);
    box.exec();
}

bool belongsToNotice(const QObject* object)
{
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->window()->objectName() == QLatin1String(noticeName);
}

}  // namespace korvalo
