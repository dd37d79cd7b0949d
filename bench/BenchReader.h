#pragma once
// What the benchmarks of the configuration readers share: their main, and the bare XML pass over
// the same bytes that each reader is set beside.

#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QXmlStreamReader>

#include <functional>

/// Baseline of the readers: every token of the same bytes with each text read, and with
/// `tAttributes` each attribute's name and value too.
template <bool tAttributes> void BareXmlPass(benchmark::State& state, const QByteArray& document)
{
    for (auto _ : state) {
        QXmlStreamReader reader(document);
        qint64 characters = 0;
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if constexpr (tAttributes) {
                if (token == QXmlStreamReader::StartElement) {
                    for (const QXmlStreamAttribute& attribute : reader.attributes())
                        characters += attribute.name().size() + attribute.value().size();
                    continue;
                }
            }
            if (token == QXmlStreamReader::Characters)
                characters += reader.text().size();
        }
        benchmark::DoNotOptimize(characters);
    }
    state.SetBytesProcessed(long(state.iterations()) * document.size());
}

/// Offscreen, with traces discarded and the syscall layer ready; `localInstances` as
/// InitialiseSyscall takes it. `announce` says what is read before the benchmarks run.
inline int RunReaderBenchmarks(int argc, char** argv, bool localInstances, const std::function<void()>& announce)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetTraceSink([](const char*, std::size_t, void*) {}, nullptr);
    cNetworkConnection::AllowInstanceOf(true);
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, localInstances);
    announce();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
