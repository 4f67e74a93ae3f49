// The lock that serialises the pad exports between processes.

#include "ApiLock.h"

#include <QtTest>
#include <atomic>
#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

class TestApiLock : public QObject
{
    Q_OBJECT

private slots:
    void lockFileInSharedFolder()
    {
        const QString path = QString::fromStdString(ApiLock::lockFilePath());
        QVERIFY(path == "/run/lock/KMB_PDX_LOCKED_PAD_MUTEX" || path == "/tmp/KMB_PDX_LOCKED_PAD_MUTEX");
        {
            ApiLock lock;
            QVERIFY(lock.held());
        }
        struct stat st;
        QVERIFY(lstat(path.toLocal8Bit().constData(), &st) == 0);
        QVERIFY(S_ISREG(st.st_mode));
        if (st.st_uid == getuid())
            QCOMPARE(int(st.st_mode & 0777), 0666);
    }

    // A second process waits while the first holds the lock; the holder's death frees it.
    void secondProcessWaitsUntilHolderDies()
    {
        int ready[2];
        QCOMPARE(pipe(ready), 0);
        const pid_t holder = fork();
        QVERIFY(holder >= 0);
        if (holder == 0) {
            ApiLock lock;
            const char held = lock.held() ? 'y' : 'n';
            (void)!write(ready[1], &held, 1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char held = 0;
        QCOMPARE(read(ready[0], &held, 1), ssize_t(1));
        close(ready[0]);
        QCOMPARE(held, 'y');

        int waiter[2];
        QCOMPARE(pipe(waiter), 0);
        const pid_t second = fork();
        QVERIFY(second >= 0);
        if (second == 0) {
            ApiLock lock;
            const char got = lock.held() ? 'y' : 'n';
            (void)!write(waiter[1], &got, 1);
            _exit(0);
        }
        close(waiter[1]);

        // Still waiting while the holder lives.
        QTest::qWait(300);
        pollfd pfd{waiter[0], POLLIN, 0};
        QCOMPARE(poll(&pfd, 1, 0), 0);

        kill(holder, SIGKILL);
        QCOMPARE(waitpid(holder, nullptr, 0), holder);
        char got = 0;
        QCOMPARE(read(waiter[0], &got, 1), ssize_t(1));
        QCOMPARE(got, 'y');
        close(waiter[0]);
        int status = 0;
        QCOMPARE(waitpid(second, &status, 0), second);
        QVERIFY(WIFEXITED(status));
    }

    // Threads of one process exclude each other as well.
    void threadsOfOneProcess()
    {
        std::atomic<int> inside{0};
        std::atomic<int> overlaps{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 200; ++i) {
                    ApiLock lock;
                    if (inside.fetch_add(1) != 0)
                        ++overlaps;
                    inside.fetch_sub(1);
                }
            });
        for (auto& t : threads)
            t.join();
        QCOMPARE(overlaps.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestApiLock)
#include "tst_apilock.moc"
