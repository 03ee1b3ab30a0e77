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
}  // namespace

namespace {

// What the writer tells the parent: the generation it starts writing, then that it finished.
struct WriterMessage {
    qint64 generation;
    bool finished;
};

void send(int fd, WriterMessage message) {
    if (write(fd, &message, sizeof message) != sizeof message) {
        _exit(4);
    }
}

// Runs in the forked child: rewrites the document as fast as it can, with a padding of varying
// size so that writes take varying time, and announces each write before and after it. Never
// returns; the parent kills it.
[[noreturn]] void rewriteForever(const QString& path, int messages, unsigned seed) {
    OVPreferences preferences(path, nullptr);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> kilobytes(1, 256);
    for (qint64 generation = preferences.integerForKey("generation") + 1;; ++generation) {
        const int size = kilobytes(random) * 1024;
        preferences.setObject("generation", generation);
        preferences.setObject("size", size);
        preferences.setObject("padding", QString(size, letterOf(generation)));
        send(messages, {generation, false});
        if (!preferences.synchronize()) {
            _exit(3);
        }
        send(messages, {generation, true});
    }
}

// Whole means: a JSON object whose padding has the size and the letter its generation wrote.
bool isWholeDocument(const QString& path, qint64* generation) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject object = document.object();
    *generation = object.value("generation").toInteger();
    const QString padding = object.value("padding").toString();
    return padding.size() == object.value("size").toInteger() &&
           padding == QString(padding.size(), letterOf(*generation));
}

// Reads messages until `finishedWrites` writes have finished and the next one has started;
// false when the writer died.
bool waitForWriteAfter(int fd, int finishedWrites, WriterMessage* message) {
    do {
        if (read(fd, message, sizeof *message) != sizeof *message) {
            return false;
        }
        finishedWrites -= message->finished ? 1 : 0;
    } while (finishedWrites >= 0 || message->finished);
    return true;
}

// The last message the killed writer managed to send, `message` when it sent no more.
WriterMessage lastMessage(int fd, WriterMessage message) {
    WriterMessage next;
    while (read(fd, &next, sizeof next) == sizeof next) {
        message = next;
    }
    return message;
}

}  // namespace

TEST(PreferencesCrash, KillingTheWriterAtRandomMomentsNeverLeavesATornFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    std::mt19937 random(0x0bee7a);
    std::uniform_int_distribution<int> writesBeforeKill(1, 4);
    qint64 lastGeneration = 0;
    int killedMidWrite = 0;
    const int rounds = 100;
    for (int round = 0; round < rounds; ++round) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            rewriteForever(path, pipeFds[1], static_cast<unsigned>(round));
        }
        close(pipeFds[1]);
        // The writer does nothing but write: the kill lands in or just after the write that has
        // started.
        WriterMessage started{0, true};
        const bool wrote = waitForWriteAfter(pipeFds[0], writesBeforeKill(random), &started);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const WriterMessage last = lastMessage(pipeFds[0], started);
        close(pipeFds[0]);
        ASSERT_TRUE(wrote) << "the writer failed before it was killed, status " << status;
        ASSERT_TRUE(WIFSIGNALED(status));

        qint64 generation = 0;
        ASSERT_TRUE(isWholeDocument(path, &generation)) << "torn after round " << round;
        if (!last.finished) {
            // Killed inside synchronize(): the file is the old document or the new one.
            ++killedMidWrite;
            EXPECT_TRUE(generation == last.generation || generation == last.generation - 1)
                << generation << " while writing " << last.generation;
        }
        // The next writer loads the last whole document and goes on from it.
        EXPECT_GT(generation, lastGeneration);
        lastGeneration = generation;
    }
    EXPECT_GT(killedMidWrite, 0);  // the harness really did interrupt writes
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.corrupt-*"}, QDir::Files).isEmpty());
    RecordProperty("killedMidWrite", killedMidWrite);
}
