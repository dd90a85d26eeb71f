#include "window/dialogs/help_viewer.h"

#include <QDialog>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cstring>

#include "window/text/translation.h"

static void register_help_pages()
{
    // The pages live in this static library: nothing else would pull their
    // registration into the program.
    static const bool registered = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)registered;
}

const char *help_page_for(const char *code)
{
    register_help_pages();
    return std::strcmp(code, "cn") == 0 ? ":/help/help_cn.html" : ":/help/help_en.html";
}

void open_help(QWidget *parent)
{
    const QByteArray code = language_code().toLatin1();
    QFile page(QString::fromLatin1(help_page_for(code.constData())));
    QString html;
    if (page.open(QIODevice::ReadOnly))
        html = QString::fromUtf8(page.readAll());

    auto *window = new QDialog(parent);
    window->setObjectName(QStringLiteral("help_window"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(lookup_text("menu_help"));
    window->resize(640, 560);
    auto *layout = new QVBoxLayout(window);
    auto *browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("help_text"));
    browser->setOpenExternalLinks(false);
    browser->setHtml(html);
    layout->addWidget(browser);
    window->show();
}
