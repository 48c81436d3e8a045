#pragma once

#include <QThread>
#include <QtGlobal>

#include <atomic>
#include <thread>
#include <vector>

// Runs f(i) for every i in [0, n) on every core (the calling thread is one of
// them), each index once, and returns when all are done.
template <typename F> void emParalelo(qsizetype n, F &&f)
{
    std::atomic<qsizetype> proxima = 0;
    auto trabalha = [&] {
        for (qsizetype i; (i = proxima++) < n;)
            f(i);
    };
    std::vector<std::thread> outras;
    const qsizetype threads = qBound(qsizetype(1), qsizetype(QThread::idealThreadCount()), n);
    for (qsizetype k = 1; k < threads; ++k)
        outras.emplace_back(trabalha);
    trabalha();
    for (std::thread &t : outras)
        t.join();
}
