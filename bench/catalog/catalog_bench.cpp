// Parsing a catalog and filling it into the simulated catalog list, for
// catalogs of 10k, 100k and 1M lines: the cost should grow linearly.
#include <benchmark/benchmark.h>

#include <string>

#include "catalog/catalog.h"
#include "common/main_window.h"
#include "common/services.h"
#include "common/text.h"
#include "host/sim/fake_network.h"
#include "host/sim/sim_host.h"
#include "shell/main_window_layout.h"

namespace {

constexpr char kBase[] = "http://content.test/";

std::string MakeCatalog(int lines) {
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 48);
  for (int i = 0; i < lines; ++i)
    text += "Kovrin资源" + std::to_string(i) + "|" + std::to_string(i % 9000 + 1) +
            "|2013-05-01|谢谢支持\r\n";
  return common::Utf8ToGbk(text);
}

void BM_ParseCatalog(benchmark::State& state) {
  const std::string body = MakeCatalog(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(catalog::ParseCatalog(body));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}

// LoadCatalog as a worker runs it: clear, fetch (answered at once), parse
// and the one unit that fills the list.
void BM_LoadCatalogIntoSimList(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  host::sim::SimHost sim;
  host::sim::FakeNetwork net;
  common::Config config;
  config.contentBaseUrl = kBase;
  common::Services services{sim, net, config};
  catalog::Catalog cat(services);
  host::WindowDef def = shell::MainWindowLayout(config);
  cat.Bind(def);
  sim.LoadWindow(def, false);
  net.Respond(std::string(kBase) + "jar/123.txt", MakeCatalog(lines));

  for (auto _ : state) {
    cat.LoadCatalog("jar");
    state.PauseTiming();
    if (sim.ListRowCount(mw::Ctl(mw::kCatalogList)) != lines) state.SkipWithError("rows missing");
    sim.ClearLog();  // the simulator records every operation; keep memory flat
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * lines);
}

BENCHMARK(BM_ParseCatalog)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCatalogIntoSimList)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
