#include "pdf_preview.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <poppler-qt6.h>

namespace {

bool past_deadline(const QVariant &deadline)
{
    QDeadlineTimer timer;
    timer.setDeadline(deadline.toLongLong());
    return timer.hasExpired();
}

// The library's complaints about a damaged file are no news to the user.
void quiet(const QString &, const QVariant &) {}

} // namespace

bool is_pdf(const QByteArray &head)
{
    return head.startsWith("%PDF-");
}

QImage render_pdf_first_page(const QString &path)
{
    static const bool silenced = (Poppler::setDebugErrorFunction(quiet, QVariant()), true);
    (void)silenced;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked() || document->numPages() < 1)
        return QImage();
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return QImage();
    // Points are 1/72 inch: the resolution that fits the longer side.
    const QSizeF points = page->pageSizeF();
    const double longer = std::max(points.width(), points.height());
    if (!(longer > 0))
        return QImage();
    const double dpi = std::min(144.0, 72.0 * k_pdf_preview_side / longer);
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const QDeadlineTimer deadline(k_pdf_preview_ms);
    QImage image = page->renderToImage(dpi, dpi, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr, nullptr,
                                       past_deadline, QVariant::fromValue(deadline.deadline()));
    // A rendering given up part way is no picture of the page.
    return deadline.hasExpired() ? QImage() : image;
}
