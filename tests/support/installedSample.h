#pragma once
// A sample program installed for one test and removed, whatever is left of it, at the end.
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"

namespace purgeon::test {

class Installed {
public:
    explicit Installed(const samples::SampleSpec& spec) : spec_(spec) {
        sample_ = samples::InstallSample(spec, BinDir());
    }
    ~Installed() {
        try {
            samples::RemoveSample(spec_);
        } catch (const samples::SampleError&) {
        }
    }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
    const samples::InstalledSample* operator->() const { return &sample_; }
    const samples::InstalledSample& get() const { return sample_; }

private:
    samples::SampleSpec spec_;
    samples::InstalledSample sample_;
};

}  // namespace purgeon::test
