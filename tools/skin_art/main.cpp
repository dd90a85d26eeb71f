// Draws every image of the skin into a folder and lists them in images.qrc.
// Run at build time with the offscreen platform:
//   tarn_skin_art <language.ini> <output folder>
// The captions of the localized tabs and home buttons come from language.ini,
// so a changed text changes its image.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSet>
#include <cstdio>

#include "art_sheet.h"
#include "window/text/translation.h"

namespace {

// Every language that has an image folder; one without a section of its own
// gets the English captions.
const char *const k_image_codes[] = {"en", "de", "fr", "es", "it", "cn", "hk", "jp", "pt", "nl", "ar"};

void load_texts(const QByteArray &file, const QString &section)
{
    current_catalogue() = text_catalogue_c();
    current_catalogue().load_bytes(file.constData(), std::size_t(file.size()), QStringLiteral("English"), false);
    current_catalogue().load_bytes(file.constData(), std::size_t(file.size()), section, true);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <language.ini> <output folder>\n", argv[0]);
        return 2;
    }
    QFile language_file(QString::fromLocal8Bit(argv[1]));
    if (!language_file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray texts = language_file.readAll();
    art_sheet_c sheet(QString::fromLocal8Bit(argv[2]));

    load_texts(texts, QStringLiteral("English"));
    const QStringList sections = current_catalogue().sections();
    QSet<QString> drawn;
    bool ok = true;
    for (const QString &section : sections) {
        load_texts(texts, section);
        const QString code = language_code();
        if (drawn.contains(code))
            continue;
        drawn.insert(code);
        ok &= draw_captions(sheet, code, QStringLiteral("multilang/") + code);
    }
    load_texts(texts, QStringLiteral("English"));
    for (const char *code : k_image_codes) {
        const QString name = QString::fromLatin1(code);
        if (!drawn.contains(name))
            ok &= draw_captions(sheet, name, QStringLiteral("multilang/") + name);
    }
    // The home page form's own images, replaced by the localized ones at run time.
    for (int state = 1; state <= 3; ++state) {
        ok &= sheet.save(QImage(sheet.folder(QStringLiteral("multilang/en/btn_start_scan%1.png").arg(state))),
                         QStringLiteral("home/buttonscan%1.png").arg(state));
        ok &= sheet.save(QImage(sheet.folder(QStringLiteral("multilang/en/btn_resume_recovery%1.png").arg(state))),
                         QStringLiteral("home/buttonrecovery%1.png").arg(state));
    }
    ok &= draw_frames(sheet);
    ok &= draw_page_art(sheet);
    ok &= sheet.write_qrc();
    if (!ok) {
        std::fprintf(stderr, "some images could not be written\n");
        return 1;
    }
    return 0;
}
