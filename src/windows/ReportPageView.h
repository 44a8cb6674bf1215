#pragma once

#include "report/ReportDocument.h"

#include <QWidget>

// The pages of a prepared report one below the other on a grey desk, at a zoom where 1.0 shows
// paper at its real size on this screen. Found matches are marked.
class ReportPageView : public QWidget
{
    Q_OBJECT
public:
    ReportPageView(const ReportDocument& document, QWidget* parent = nullptr);

    static constexpr int kGap = 12; // pixels around and between pages

    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    // Device pixels per millimetre at zoom 1.0, and at the current zoom.
    double screenPxPerMm() const;
    double pxPerMm() const { return screenPxPerMm() * m_zoom; }

    // Where page sits in this widget, and which page covers the height y (the nearest one).
    QRectF pageRect(int page) const;
    int pageAt(double y) const;

    void setMatches(const QList<ReportMatch>& matches, int current);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSizeF pagePixels() const;

    const ReportDocument& m_document;
    double m_zoom = 1.0;
    QList<ReportMatch> m_matches;
    int m_current = -1;
};
