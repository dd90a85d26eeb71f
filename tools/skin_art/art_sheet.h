// Collects the generated images under one folder and lists them in a Qt
// resource file with the paths the program asks for.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class art_sheet_c {
public:
    explicit art_sheet_c(const QString &root);

    // A transparent image of the given size.
    static QImage canvas(int width, int height);

    // Saves under images/<path>; false when it cannot be written.
    bool save(const QImage &image, const QString &path, const char *format = nullptr);
    // Lists a file some other step writes under images/<path>.
    void expect(const QString &path);
    // Writes images.qrc beside the images folder.
    bool write_qrc() const;
    QString folder(const QString &path) const;

private:
    QString root;
    QStringList listed;
};

// The parts of the skin, each drawn into the sheet. Each returns false when
// an image could not be written.
bool draw_frames(art_sheet_c &sheet);
bool draw_page_art(art_sheet_c &sheet);
// Tabs and home buttons for one language, captions from its texts.
bool draw_captions(art_sheet_c &sheet, const QString &code, const QString &tabs_folder);
