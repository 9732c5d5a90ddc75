#pragma once
// What the network tests run on loopback: headless peers (korvalo-script as
// a process) and strangers (a socket of the test's own that says what no
// window would).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <string>

namespace korvalo::testing {

// The application a test that runs a host or a join in its own process
// needs for their event loop.
inline QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "korvalo_net_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A port that is free now, below the range the system takes the ports of
// outgoing connections from: tests beside this one that open many
// connections cannot take it before the peer listens on it.
inline quint16 freePort()
{
    for (int tries = 0; tries < 500; ++tries) {
        const auto port = static_cast<quint16>(20000 + QRandomGenerator::global()->bounded(12000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    ADD_FAILURE() << "no free port below 32000";
    return 0;
}

// A headless peer: korvalo-script with args, reading script, in its own
// folder. What it prints goes to files, so that no peer waits for a reader.
struct Peer {
    QTemporaryDir folder;
    QProcess process;

    // A script of "-" is read from standard input, written by the test.
    void start(const QStringList& args, const std::string& script)
    {
        QFile file(folder.filePath("script"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(script));
        file.close();
        process.setProgram(KORVALO_SCRIPT);
        process.setArguments(QStringList{"--no-sound-library", "--dir", folder.path()} + args +
                             QStringList{script == "-" ? QString("-") : file.fileName()});
        process.setStandardOutputFile(folder.filePath("trace"));
        process.setStandardErrorFile(folder.filePath("errors"));
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }
    std::string read(const char* name)
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    // Waits (bounded) for the peer to end; its trace.
    std::string finish()
    {
        if (process.state() != QProcess::NotRunning) {
            EXPECT_TRUE(process.waitForFinished(120000)) << "a peer did not end: " << read("errors");
        }
        EXPECT_EQ(process.exitCode(), 0) << read("errors");
        return read("trace");
    }
    // Waits (bounded) until its standard error says text.
    bool says(const std::string& text)
    {
        for (int i = 0; i < 200 && read("errors").find(text) == std::string::npos; ++i)
            process.waitForFinished(50);
        return read("errors").find(text) != std::string::npos;
    }
};


// A client of the test's own on the host's port, to say what no window would.
struct Stranger {
    QTcpSocket socket;
    QByteArray heard;

    // From the address given, when one is (127.0.0.2, say).
    bool connectTo(quint16 port, const QHostAddress& from = QHostAddress())
    {
        if (!from.isNull() && !socket.bind(from))
            return false;
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(10000);
    }
    void say(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.waitForBytesWritten(10000);
    }
    // Reads (bounded) until text has been heard or the host closed.
    bool hears(const QByteArray& text)
    {
        for (int i = 0; i < 100 && !heard.contains(text); ++i) {
            if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0)
                break;
            socket.waitForReadyRead(100);
            heard += socket.readAll();
        }
        return heard.contains(text);
    }
    // Reads (for 10 s at most, however much comes) until the host closed.
    bool closedByHost()
    {
        QElapsedTimer waited;
        waited.start();
        while (!waited.hasExpired(10000) && socket.state() == QAbstractSocket::ConnectedState) {
            socket.waitForReadyRead(100);
            heard += socket.readAll();
        }
        return socket.state() != QAbstractSocket::ConnectedState;
    }
};

}  // namespace korvalo::testing
