#include "syncthingpeer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int startTimeoutMs = 60000;
constexpr int requestTimeoutMs = 10000;

// A port on 127.0.0.1 that nothing listens on now; Syncthing takes it a moment later.
int freeLoopbackPort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(socket);
    return port;
}

QString randomKey()
{
    static const QString letters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QString key;
    for (int i = 0; i < 32; ++i)
        key += letters.at(QRandomGenerator::global()->bounded(int(letters.size())));
    return key;
}

// Sets <tag>value</tag> inside <options>, adding it when the generated file lacks it.
void setOption(QString &config, const QString &tag, const QString &value)
{
    const QString element = u'<' + tag + u'>' + value + QStringLiteral("</") + tag + u'>';
    const QRegularExpression existing(u'<' + tag + QStringLiteral(">[^<]*</") + tag + u'>');
    const qsizetype options = config.indexOf(QStringLiteral("<options>"));
    const QRegularExpressionMatch match = existing.match(config, options);
    if (match.hasMatch())
        config.replace(match.capturedStart(), match.capturedLength(), element);
    else
        config.replace(QStringLiteral("</options>"), element + QStringLiteral("</options>"));
}

QString deviceElement(const QString &id, const QString &name, int port)
{
    return QStringLiteral("<device id=\"%1\" name=\"%2\" compression=\"metadata\" "
                          "introducer=\"false\"><address>tcp://127.0.0.1:%3</address></device>")
        .arg(id, name)
        .arg(port);
}

// Written by hand, a folder gets none of the <defaults>: without maxConflicts Syncthing keeps no
// conflict copy and drops the losing side of a concurrent edit.
QString folderElement(const QString &id, const QString &path, const QStringList &devices)
{
    QString element =
        QStringLiteral("<folder id=\"%1\" label=\"%1\" path=\"%2\" type=\"sendreceive\" "
                       "rescanIntervalS=\"2\" fsWatcherEnabled=\"true\" "
                       "fsWatcherDelayS=\"1\" ignorePerms=\"false\" "
                       "autoNormalize=\"true\">"
                       "<filesystemType>basic</filesystemType>")
            .arg(id, path.toHtmlEscaped());
    for (const QString &device : devices)
        element += QStringLiteral("<device id=\"%1\"></device>").arg(device);
    return element + QStringLiteral("<maxConflicts>10</maxConflicts></folder>");
}

} // namespace

SyncthingPeer::SyncthingPeer(const QString &name, const QString &home)
    : m_name(name),
      m_home(home),
      m_apiKey(randomKey()),
      m_listenPort(freeLoopbackPort()),
      m_guiPort(freeLoopbackPort())
{
    m_network.setProxy(QNetworkProxy::NoProxy); // a proxy from the environment must not see this
}

SyncthingPeer::~SyncthingPeer()
{
    stop();
}

QString SyncthingPeer::logTail() const
{
    QFile log(m_home + QStringLiteral("/syncthing.log"));
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    const QList<QByteArray> lines = log.readAll().split('\n');
    return QString::fromUtf8(lines.mid(qMax(0, int(lines.size()) - 10)).join('\n'));
}

bool SyncthingPeer::generate()
{
    QProcess generator;
    generator.setProcessChannelMode(QProcess::MergedChannels);
    generator.start(QStringLiteral("syncthing"),
                    {QStringLiteral("generate"), QStringLiteral("--home=") + m_home,
                     QStringLiteral("--no-default-folder")});
    if (!generator.waitForFinished(startTimeoutMs) || generator.exitCode() != 0)
        return fail(QStringLiteral("syncthing generate failed: %1 %2")
                        .arg(generator.errorString(), QString::fromUtf8(generator.readAll())));
    const QString output = QString::fromUtf8(generator.readAll());
    const QRegularExpressionMatch id =
        QRegularExpression(QStringLiteral("Device ID: ([A-Z0-9-]+)")).match(output);
    if (!id.hasMatch())
        return fail(QStringLiteral("syncthing generate printed no device ID: ") + output);
    m_deviceId = id.captured(1);
    return true;
}

bool SyncthingPeer::configure(const QString &folderId, const QString &folderPath,
                              const SyncthingPeer &other)
{
    QFile file(m_home + QStringLiteral("/config.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("no config.xml: ") + file.errorString());
    QString config = QString::fromUtf8(file.readAll());
    file.close();

    const QList<std::pair<QString, QString>> options = {
        {QStringLiteral("listenAddress"), QStringLiteral("tcp://127.0.0.1:%1").arg(m_listenPort)},
        {QStringLiteral("globalAnnounceEnabled"), QStringLiteral("false")},
        {QStringLiteral("localAnnounceEnabled"), QStringLiteral("false")},
        {QStringLiteral("relaysEnabled"), QStringLiteral("false")},
        {QStringLiteral("natEnabled"), QStringLiteral("false")},
        {QStringLiteral("urAccepted"), QStringLiteral("-1")},
        {QStringLiteral("autoUpgradeIntervalH"), QStringLiteral("0")},
        {QStringLiteral("crashReportingEnabled"), QStringLiteral("false")},
        {QStringLiteral("startBrowser"), QStringLiteral("false")},
        {QStringLiteral("announceLANAddresses"), QStringLiteral("false")},
        {QStringLiteral("reconnectionIntervalS"), QStringLiteral("1")},
    };
    for (const auto &[tag, value] : options)
        setOption(config, tag, value);

    const QRegularExpression gui(QStringLiteral("<gui [^>]*>.*</gui>"),
                                 QRegularExpression::DotMatchesEverythingOption);
    if (!config.contains(gui))
        return fail(QStringLiteral("config.xml has no <gui> element"));
    config.replace(gui,
                   QStringLiteral("<gui enabled=\"true\" tls=\"false\" debugging=\"false\">"
                                  "<address>127.0.0.1:%1</address><apikey>%2</apikey></gui>")
                       .arg(m_guiPort)
                       .arg(m_apiKey));

    const QString shared = deviceElement(other.deviceId(), other.name(), other.listenPort())
        + folderElement(folderId, folderPath, {m_deviceId, other.deviceId()});
    config.replace(QStringLiteral("</configuration>"), shared + QStringLiteral("</configuration>"));

    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(config.toUtf8()) < 0)
        return fail(QStringLiteral("cannot write config.xml: ") + file.errorString());
    return true;
}

bool SyncthingPeer::start()
{
    // Should the test die, the instance dies with it instead of lingering in the background.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_home + QStringLiteral("/syncthing.log"));
    m_process.start(QStringLiteral("syncthing"),
                    {QStringLiteral("serve"), QStringLiteral("--home=") + m_home,
                     QStringLiteral("--no-browser"), QStringLiteral("--no-restart"),
                     QStringLiteral("--no-upgrade")});
    if (!m_process.waitForStarted(startTimeoutMs))
        return fail(QStringLiteral("syncthing serve did not start: ") + m_process.errorString());

    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running)
            return fail(QStringLiteral("syncthing serve ended at start:\n") + logTail());
        const std::optional<QJsonObject> ping = get(QStringLiteral("/rest/system/ping"));
        if (ping && ping->value(QStringLiteral("ping")).toString() == u"pong")
            return true;
        QThread::msleep(100);
    }
    return fail(QStringLiteral("syncthing's REST interface did not answer:\n") + logTail());
}

void SyncthingPeer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

std::optional<QJsonObject> SyncthingPeer::get(const QString &pathAndQuery)
{
    const std::optional<QByteArray> body = request(QStringLiteral("GET"), pathAndQuery);
    if (!body)
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*body, &parseError);
    if (!document.isObject()) {
        fail(QStringLiteral("%1 answered no JSON object: %2")
                 .arg(pathAndQuery, parseError.errorString()));
        return std::nullopt;
    }
    return document.object();
}

bool SyncthingPeer::post(const QString &pathAndQuery)
{
    return request(QStringLiteral("POST"), pathAndQuery).has_value();
}

// The event loop runs while waiting, so the note stores of the test follow the folder meanwhile.
std::optional<QByteArray> SyncthingPeer::request(const QString &method, const QString &pathAndQuery)
{
    QNetworkRequest request(
        QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_guiPort).arg(pathAndQuery)));
    request.setRawHeader("X-API-Key", m_apiKey.toUtf8());
    QNetworkReply *reply = m_network.sendCustomRequest(request, method.toUtf8());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(requestTimeoutMs, reply, &QNetworkReply::abort);
    loop.exec();
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("%1 %2 failed: %3").arg(method, pathAndQuery, reply->errorString()));
        return std::nullopt;
    }
    return reply->readAll();
}

bool SyncthingPeer::fail(const QString &why)
{
    m_error = m_name + QStringLiteral(": ") + why;
    return false;
}
