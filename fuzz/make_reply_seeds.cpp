// Writes the seed corpus of fuzz_reply from the simulators' own encoders:
// one analyzer reply per firmware generation (QE and not), a Site Master
// block and an RT-x00 block. Run: make_reply_seeds OUTDIR
#include <cstdio>
#include <fstream>
#include <string>

#include "core/DateTime.h"
#include "sim/SimulatorReply.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_reply_seeds OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const auto traces = korv::SyntheticTraces(1, 238, 1700.0, 2000.0);
  const double firmware[] = {korv::EncodeDateTime({2001, 1, 1}), korv::EncodeDateTime({2001, 12, 1}),
                             korv::EncodeDateTime({2003, 3, 15})};
  auto write = [&](const std::string &name, unsigned char selector, const std::string &body) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.put(static_cast<char>(selector));
    out.put('\0');
    out << body;
  };
  for (unsigned gen = 0; gen < 3; ++gen) {
    for (bool qe : {false, true}) {
      if (qe && gen != 2) continue;
      std::string text = "TU\n";
      for (const auto &line : korv::EncodeAnalyzerReply(traces[0], static_cast<int>(gen) + 1, qe, firmware[gen],
                                                        qe ? "LX-3600QE" : "LX-3250A", 1))
        text += line + "\n";
      text.pop_back();
      write("lx_gen" + std::to_string(gen + 1) + (qe ? "_qe" : ""), static_cast<unsigned char>((gen << 2) | (qe ? 0x10 : 0)),
            text);
    }
  }
  write("sitemaster", 1, korv::EncodeSiteMasterBlock(korv::ResampleTrace(traces[0], 130)));
  write("rt", 2, korv::EncodeRtBlock(korv::ResampleTrace(traces[0], 100)));
  return 0;
}
