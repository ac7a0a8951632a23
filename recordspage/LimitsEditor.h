#pragma once

#include "analysis/Limits.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ReadingsAnalysis;

// The limits bar: nominal, minimum, tolerance and (optional) maximum thickness, in the unit
// of the table's thickness column. In the multi-layer layout a layer chooser says which
// layer the fields are for: each layer is judged by its own limits (a layer without any is
// not judged), and the chooser names the layers that have none. Apply checks the entries and says at once, in a line
// beside them, what is wrong; limits that pass go to the analysis (which saves them for the
// gauge). The fields show the analysis's limits whenever they change.
class LimitsEditor : public QWidget
{
    Q_OBJECT
public:
    // The analysis must outlive the editor.
    explicit LimitsEditor(ReadingsAnalysis &analysis, QWidget *parent = nullptr);

    QLineEdit *nominalField() const { return m_nominal; }
    QLineEdit *minimumField() const { return m_minimum; }
    QLineEdit *toleranceField() const { return m_tolerance; }
    QLineEdit *maximumField() const { return m_maximum; }
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *clearButton() const { return m_clear; }
    // Which layer the fields edit (hidden in the single-layer layout).
    QComboBox *layerChooser() const { return m_layer; }
    int layer() const;
    // The last refusal (empty after accepted limits).
    QLabel *message() const { return m_message; }

public slots:
    // True when the entries were accepted (or all empty, which removes the limits).
    bool apply();
    void clearLimits();
    void retranslate();

private:
    void showLimits();
    QString editUnit() const;
    void syncLayers();

    ReadingsAnalysis &m_analysis;
    QLabel *m_title;
    QComboBox *m_layer;
    QLabel *m_nominalLabel;
    QLabel *m_minimumLabel;
    QLabel *m_toleranceLabel;
    QLabel *m_maximumLabel;
    QLineEdit *m_nominal;
    QLineEdit *m_minimum;
    QLineEdit *m_tolerance;
    QLineEdit *m_maximum;
    QLabel *m_unit;
    QPushButton *m_apply;
    QPushButton *m_clear;
    QLabel *m_message;
    Finding m_error;
};
