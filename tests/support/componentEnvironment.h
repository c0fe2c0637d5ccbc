#pragma once
// Loads Doffkit.dll from beside the test program and registers it, once for the whole run.
#include <gtest/gtest.h>

#include "catalogue/DoffkitLib_TLB.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

namespace purgeon::test {

class ComponentEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        module_.reset(LoadLibraryW((BinDir() + kDoffkitDllName).c_str()));
        ASSERT_TRUE(module_) << "Doffkit.dll not beside the test";
        using Register = HRESULT(STDAPICALLTYPE*)();
        auto doRegister =
            reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllRegisterServer")));
        ASSERT_TRUE(doRegister);
        ASSERT_EQ(S_OK, doRegister());
    }

private:
    UniqueModule module_;
};

}  // namespace purgeon::test
