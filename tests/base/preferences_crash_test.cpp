// A writer killed at any moment leaves the preference file either as it was or as it became,
// never torn.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <random>

#include "base/preferences.h"

namespace {

QChar letterOf(qint64 generation) {
    return QChar(static_cast<char16_t>(u'a' + generation % 26));
}

// Runs in the forked child: rewrites the document with a padding of varying size, telling the
// parent each generation before it writes it, until the parent kills it.
[[noreturn]] void rewriteForever(const QString& path, int fd, unsigned seed) {
    OVPreferences preferences(path, nullptr);
    std::mt19937 random(seed);
    for (qint64 generation = preferences.integerForKey("generation") + 1;; ++generation) {
        const int size = std::uniform_int_distribution<int>(1, 256)(random) * 1024;
        preferences.setObject("generation", generation);
        preferences.setObject("padding", QString(size, letterOf(generation)));
        if (write(fd, &generation, sizeof generation) != sizeof generation ||
            !preferences.synchronize()) {
            _exit(3);
        }
    }
}

// The generation of a whole document: a JSON object whose padding is all its generation's letter.
std::optional<qint64> wholeDocument(const QString& path) {
    QFile file(path);
    const QJsonObject object = file.open(QIODevice::ReadOnly)
                                   ? QJsonDocument::fromJson(file.readAll()).object()
                                   : QJsonObject();
    const qint64 generation = object.value("generation").toInteger();
    const QString padding = object.value("padding").toString();
    if (padding.isEmpty() || padding != QString(padding.size(), letterOf(generation))) {
        return std::nullopt;
    }
    return generation;
}

}  // namespace

TEST(PreferencesCrash, KillingTheWriterAtRandomMomentsNeverLeavesATornFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    std::mt19937 random(0x0bee7a);
    qint64 lastGeneration = 0;
    for (int round = 0; round < 100; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            rewriteForever(path, fds[1], static_cast<unsigned>(round));
        }
        close(fds[1]);
        // Kill the writer as soon as it starts a write after at least one whole one: the kill
        // lands inside that write or just after it.
        qint64 writing = 0;
        for (int starts = std::uniform_int_distribution<int>(2, 5)(random); starts > 0; --starts) {
            ASSERT_EQ(read(fds[0], &writing, sizeof writing), sizeof writing) << "writer failed";
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        for (qint64 next; read(fds[0], &next, sizeof next) == sizeof next;) {
            writing = next;  // the writer may have gone on before the kill
        }
        close(fds[0]);

        const std::optional<qint64> generation = wholeDocument(path);
        ASSERT_TRUE(generation) << "torn after round " << round;
        EXPECT_TRUE(*generation == writing || *generation == writing - 1)
            << *generation << " while writing " << writing;
        EXPECT_GT(*generation, lastGeneration);  // the next writer goes on from the last whole one
        lastGeneration = *generation;
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.corrupt-*"}, QDir::Files).isEmpty());
}
