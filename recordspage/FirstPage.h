#pragma once

#include "protocol/PushFrameParser.h"
#include "recordspage/RecordsTable.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QVariantList>
#include <QWidget>

class MyThread;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QThread;

// The records page: device information, layer selector, the three action buttons and
// the records table; it runs the instrument's command sequences and its worker thread.
class FirstPage : public QWidget
{
    Q_OBJECT
public:
    explicit FirstPage(QWidget *parent = nullptr);
    ~FirstPage() override;

    // Where "meterno" and "unitno" are read from; the program's directory unless set.
    static void setConfigDirectory(const QString &directory);
    static QString configDirectory();

    void loadMeterTable();
    void loadUnitTable();

    // Table (headers from the unit numbers; rows; language of the table's texts).
    void buildHeaders();
    void addSingleLayerRow(float thickness, float velocity, const QString &thicknessText,
                           const QString &velocityText);
    void addMultiLayerRow(const QString &name, const std::array<float, 6> &values,
                          const std::array<QString, 6> &texts);
    void languageChange();
    QList<int> singleDecimals() const { return records->singleDecimals(); }
    QList<int> multiDecimals() const { return records->multiDecimals(); }
    RecordsTable *recordsTable() const { return records; }

    // Connection life: run by the main window.
    void identifyInstrument();
    void openThreadSlot();
    // Stops the worker and waits (bounded) for its thread; false if it did not end.
    bool closeThreadSlot();
    void clearDeviceInfo();
    MyThread *worker() const { return workerObject.data(); }

    void onSettingsChanged();

    // Members shared by the page's operations.
    int tableLayout = 1;
    bool chineseUi = true;
    bool settingsChanging = false;
    QList<QVariantList> meterTable;
    QList<QVariantList> unitTable;
    QList<int> unitNumbers;

    // Form widgets, named as their object names.
    QGridLayout *gridLayout_firstPage = nullptr;
    QWidget *widget_buttons = nullptr;
    QHBoxLayout *horizontalLayout_buttons = nullptr;
    QGroupBox *groupBox_deviceInformation = nullptr;
    QGridLayout *gridLayout_deviceInformation = nullptr;
    QLabel *label_serialNo = nullptr;
    QLineEdit *lineEdit_serialNo = nullptr;
    QLabel *label_firmwareVersion = nullptr;
    QLineEdit *lineEdit_firmwareVersion = nullptr;
    QLabel *label_layerDisplay = nullptr;
    QComboBox *comboBox_layerDisplay = nullptr;
    QPushButton *pushButton_readRecords = nullptr;
    QPushButton *pushButton_clearData = nullptr;
    QPushButton *pushButton_exportExcel = nullptr;
    QTableWidget *tableWidget_data = nullptr;

public slots:
    void SaveData(const QByteArray &baData);
    void slot_deleteRow();

private slots:
    void on_comboBox_layerDisplay_currentIndexChanged(int index);
    void on_pushButton_readRecords_clicked();
    void on_pushButton_clearData_clicked();
    bool on_pushButton_exportExcel_clicked();
    void on_tableWidget_data_cellDoubleClicked(int row, int column);

protected:
    void changeEvent(QEvent *event) override;

private:
    friend class LinkSession;
    void setupUi();
    void retranslateUi();
    QString title() const;
    void inform(const QString &english, const QString &chinese);
    bool ask(const QString &english, const QString &chinese);
    bool linkOpen() const;
    // Handles a settings change now, or once the GUI thread no longer holds the link
    // and no export runs.
    void requestSettingsChange();
    void runDeferredSettingsChange();
    bool canHandleSettingsChangeNow() const;
    void readSingleLayer(class LinkSession &session, int count);
    void readMultiLayer(class LinkSession &session, int count);

    RecordsTable *records = nullptr;
    PushFrameParser pushParser;
    QPointer<QThread> workerThread;
    QSharedPointer<MyThread> workerObject;
    QList<QSharedPointer<MyThread>> abandonedWorkers; // never ended; kept, never deleted
    int sequenceDepth = 0; // command sequences holding the worker's mutex on this thread
    bool settingsChangePending = false;
};
