// nuvex3-decode: session log files of the tool, decoded or written as pcapng.
#include "decode/LogDecoder.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nuvex3-decode"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.37"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Decodes a session log file of the NUVEX3 test tool (the \"<--\" and \"-->\" lines):\n"
        "prints one row per packet, or writes a pcapng file for Wireshark. A log file holds\n"
        "no times: the packets keep their order and get synthetic times 1 ms apart."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("log"), QStringLiteral("The session log file."));
    const QCommandLineOption pcapng(QStringLiteral("pcapng"),
                                    QStringLiteral("Write the packets to <file> as pcapng."),
                                    QStringLiteral("file"));
    const QCommandLineOption filter(
        QStringLiteral("filter"),
        QStringLiteral("Print only the rows that match <text> (the decoded view's filter)."),
        QStringLiteral("text"));
    parser.addOption(pcapng);
    parser.addOption(filter);
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::cerr << "nuvex3-decode: give one log file (see --help)\n";
        return nuvex3::decode::kDecodeFailed;
    }
    nuvex3::decode::LogDecodeOptions options;
    options.logPath = parser.positionalArguments().first().toStdString();
    options.pcapngPath = parser.value(pcapng).toStdString();
    options.filter = parser.value(filter).toStdString();
    return nuvex3::decode::decodeLogFile(options, std::cout, std::cerr);
}
