#pragma once

#include <QLabel>

// A one-line label that, when its text is wider than the label, shows it cut with an ellipsis;
// text() keeps the whole text.
class TElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    // The text as drawn at the label's present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
