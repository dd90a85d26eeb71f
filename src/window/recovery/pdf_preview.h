// The first page of a PDF as a picture, for the preview. Its bytes come
// from a scanned disk: a document that does not load, is locked, or takes
// too long gives a null image.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Whether a file's first bytes start a PDF.
bool is_pdf(const QByteArray &head);

// At most k_pdf_preview_side pixels on its longer side; a rendering that
// runs past k_pdf_preview_ms is given up.
inline constexpr int k_pdf_preview_side = 1200;
inline constexpr int k_pdf_preview_ms = 3000;
QImage render_pdf_first_page(const QString &path);
