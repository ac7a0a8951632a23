#include "mainwindow/WindowStyle.h"

#include <QStringList>

QString WindowStyle::styleSheet()
{
    QStringList rules;
    rules << QStringLiteral("QComboBox::drop-down,QDateEdit::drop-down,QTimeEdit::drop-down,"
                            "QDateTimeEdit::drop-down{width:%1px;}")
                 .arg(20);
    rules << QStringLiteral("QComboBox::down-arrow,QDateEdit[calendarPopup=\"true\"]::down-arrow,"
                            "QTimeEdit[calendarPopup=\"true\"]::down-arrow,"
                            "QDateTimeEdit[calendarPopup=\"true\"]::down-arrow{width:%1px;height:%1px;right:2px;}")
                 .arg(10);
    rules << QStringLiteral("QRadioButton::indicator{width:%1px;height:%1px;}").arg(15);
    rules << QStringLiteral("QCheckBox::indicator,QGroupBox::indicator,QTreeWidget::indicator,"
                            "QListWidget::indicator{width:%1px;height:%1px;}")
                 .arg(13);
    rules << QStringLiteral("QScrollBar:horizontal{min-height:%1px;border-radius:%2px;}"
                            "QScrollBar::handle:horizontal{border-radius:%2px;}"
                            "QScrollBar:vertical{min-width:%1px;border-radius:%2px;}"
                            "QScrollBar::handle:vertical{border-radius:%2px;}")
                 .arg(12)
                 .arg(6);
    rules << QStringLiteral("QWidget#widget_top>QToolButton:pressed,QWidget#widget_top>QToolButton:hover,"
                            "QWidget#widget_top>QToolButton:checked,QWidget#widget_top>QLabel:hover"
                            "{border-width:0px 0px %1px 0px;}")
                 .arg(3);
    rules << QStringLiteral("QWidget#widgetleft>QPushButton:checked,QWidget#widgetleft>QToolButton:checked,"
                            "QWidget#widgetleft>QPushButton:pressed,QWidget#widgetleft>QToolButton:pressed"
                            "{border-width:0px 0px 0px %1px;}")
                 .arg(3);
    return rules.join(QString());
}
