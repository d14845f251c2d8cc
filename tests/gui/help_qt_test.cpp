// The Help menu's user guide: found beside the program as an installation
// keeps it, handed to the desktop as a local file, and complete.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRegularExpression>
#include <QUrl>
#include <gtest/gtest.h>

#include "platform/help_qt.h"

namespace quble::test {
namespace {

// Stands in for the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

TEST(UserGuideHelp, OpensTheGuideBesideTheProgramWithEveryPicture) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QString error = "stale";
    const bool opened = OpenUserGuide(&error);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_TRUE(opened) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(catcher.urls.size(), 1);
    const QUrl url = catcher.urls.front();
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    const QFileInfo start(url.toLocalFile());
    EXPECT_EQ(start.fileName(), "index.html");
    EXPECT_EQ(start.dir().dirName(), "help");

    QFile f(start.filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(html.contains("<title>Quble user guide</title>"));

    // Every picture and style sheet it names is there, and small enough to
    // ship; every in-page link has its target.
    const QRegularExpression ref(R"re((?:src|href)="([^"#:]+)")re");
    int files = 0;
    for (auto it = ref.globalMatch(html); it.hasNext();) {
        const QString rel = it.next().captured(1);
        const QFileInfo fi(start.dir(), rel);
        EXPECT_TRUE(fi.isFile()) << rel.toStdString();
        if (rel.endsWith(".png")) {
            EXPECT_LE(fi.size(), 150 * 1024) << rel.toStdString();
        }
        ++files;
    }
    EXPECT_GE(files, 4);
    const QRegularExpression anchor(R"re(href="#([^"]+)")re");
    int anchors = 0;
    for (auto it = anchor.globalMatch(html); it.hasNext();) {
        const QString id = it.next().captured(1);
        EXPECT_TRUE(html.contains("id=\"" + id + "\"")) << id.toStdString();
        ++anchors;
    }
    EXPECT_GE(anchors, 10);
}

}  // namespace
}  // namespace quble::test

#include "help_qt_test.moc"
