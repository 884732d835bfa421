#pragma once

// A clustered pair of adapters: the library's own (qor0) and its partner
// (qor2), opened and recorded in the context as a clustered open records them.
// Shared by every test of a flow that forwards to the partner.

#include "DeviceFixture.h"

namespace fsatest {

// Local bus 0 is the partner's bus 1. Local disk (0,0,0) belongs to a disk
// set the partner owns; the partner sees it as (1,0,0).
inline const char* kCluster = R"({"adapters": [
  {"index": 0, "serial": 4660, "cluster": {"id": 5, "busMap": [1, 0]},
   "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 3, "product": "LOCAL"}],
   "slices": [{"drive": 0}],
   "diskSets": [{"number": 77, "creator": 1, "owner": 8738, "members": [0]}]},
  {"index": 2, "serial": 8738, "cluster": {"id": 5, "busMap": [1, 0]},
   "drives": [{"bus": 1, "target": 0, "product": "SEEN-BY-PARTNER"},
              {"bus": 1, "target": 3, "product": "PARTNER"}],
   "slices": [{"drive": 128}, {"drive": 131}],
   "tasks": [{"id": 4, "job": 2, "object": 128}]}
]})";

class Partner : public DeviceTest {
protected:
    std::string config() const override { return kCluster; }
    void SetUp() override {
        ContextTest::SetUp();
        partner = open("qor2");
        // What a clustered open records: the partner's handle in the table.
        FSAAPI_CONTEXT* c = ctx();
        c->partnerHandle = UtilValueFromHandle(partner);
        c->adapters[1] = {c->partnerHandle, 8738, 0};
        c->adapterCount = 2;
    }
    void TearDown() override {
        ctx()->partnerHandle = 0;
        ctx()->adapterCount = 1;
        FsaCloseAdapter(partner);
        ContextTest::TearDown();
    }
    void* partner = nullptr;
};

} // namespace fsatest
