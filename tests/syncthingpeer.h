#pragma once

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>

#include <optional>

// One real Syncthing instance for the sync test: its own home, its own listen and REST addresses
// on 127.0.0.1, every way of reaching beyond this machine switched off. Each call that can fail
// returns false or nullopt and says why in error(), so a test can fail with Syncthing's reason.
class SyncthingPeer
{
public:
    // home is made by generate(); it must not exist yet.
    SyncthingPeer(const QString &name, const QString &home);
    // Stops the instance this object started, and only that one.
    ~SyncthingPeer();
    SyncthingPeer(const SyncthingPeer &) = delete;
    SyncthingPeer &operator=(const SyncthingPeer &) = delete;

    QString name() const { return m_name; }
    QString deviceId() const { return m_deviceId; }
    QString error() const { return m_error; }
    // The last lines Syncthing logged, to explain a failure.
    QString logTail() const;

    // Makes the home with a new key and certificate, and learns the device ID.
    bool generate();
    // Writes the configuration: this device, the other device at its listen address, and one
    // folder at folderPath shared with it under folderId.
    bool configure(const QString &folderId, const QString &folderPath, const SyncthingPeer &other);
    // Starts `syncthing serve` and waits until its REST interface answers.
    bool start();
    void stop();

    // REST calls with this instance's API key; the JSON answer of a GET.
    std::optional<QJsonObject> get(const QString &pathAndQuery);
    bool post(const QString &pathAndQuery);

    int listenPort() const { return m_listenPort; }

private:
    std::optional<QByteArray> request(const QString &method, const QString &pathAndQuery);
    bool fail(const QString &why);

    QString m_name;
    QString m_home;
    QString m_deviceId;
    QString m_apiKey;
    int m_listenPort = 0;
    int m_guiPort = 0;
    QProcess m_process;
    QNetworkAccessManager m_network;
    QString m_error;
};
