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
    // Readable at WCAG AA (4.5:1) on the skin's backgrounds, as near its colours as that allows:
    // white on a deeper blue for buttons (the table's Delete buttons among them), a lighter
    // grey for header and hovered cells on the grey gradient.
    rules << QStringLiteral(".QPushButton,.QToolButton{background:#1873D3;color:#FFFFFF;}"
                            ".QPushButton:hover,.QToolButton:hover{background:qlineargradient(spread:pad,x1:0,y1:0,"
                            "x2:0,y2:1,stop:0 #646464,stop:1 #525252);}"
                            ".QPushButton:pressed,.QToolButton:pressed{background:qlineargradient(spread:pad,x1:0,"
                            "y1:0,x2:0,y2:1,stop:0 #484848,stop:1 #383838);}"
                            ".QPushButton:disabled,.QToolButton:disabled{background:#D0D0D0;color:#595959;"
                            "border:1px solid #A0A0A0;}");
    rules << QStringLiteral("QHeaderView::section,QTableCornerButton::section{color:#F0F0F0;}"
                            "QTableView::item:hover{color:#F0F0F0;}");
    // The row numbers' column below the last row: the table's grey, not the window's white;
    // a tree's header (the Assets view's) as dark, or its light words would not show.
    rules << QStringLiteral("QTableView QHeaderView,QTreeView QHeaderView{background:#444444;}");
    // The language in use: a pressed, darker button.
    rules << QStringLiteral("QPushButton#btnLanguageEn:checked,QPushButton#btnLanguageZh:checked{background:#0B3D75;"
                            "color:#FFFFFF;font-weight:bold;border:2px solid #06223F;}");
    rules << QStringLiteral("QProgressBar{color:#FFFFFF;}QProgressBar::chunk{background-color:#1873D3;}");
    return rules.join(QString());
}
