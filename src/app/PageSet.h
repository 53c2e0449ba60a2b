#pragma once
// Every page object of the main window, by value, in construction order, and the lists
// of pages that the main window treats alike.

#include "pages/automation/CPageAutoTest.h"
#include "pages/automation/CTestPage.h"
#include "pages/gap/CPageAdvEditor.h"
#include "pages/gap/CPageGAP.h"
#include "pages/gatt/CPageGATTClient.h"
#include "pages/gatt/CPageGATTServer.h"
#include "pages/gatt/CPageGATTServerTable.h"
#include "pages/gatt/CPageGATTTable.h"
#include "pages/maintenance/CPageAirPatch.h"
#include "pages/maintenance/CPageCommon.h"
#include "pages/maintenance/CPageGpio.h"
#include "pages/mesh/CPageMeshEvent.h"
#include "pages/mesh/CPageMeshReceive.h"
#include "pages/mesh/CPageMeshTransmit.h"
#include "pages/profiles/CPageBloodPressure.h"
#include "pages/profiles/CPageDemoCorvane.h"
#include "pages/profiles/CPageGlucose.h"
#include "pages/profiles/CPageHealthThermometer.h"
#include "pages/profiles/CPageHeartRate.h"
#include "pages/profiles/CPageWeightScale.h"
#include "pages/security/CPageLESC.h"
#include "pages/security/CPageSMP.h"
#include "pages/security/CPassKeyPage.h"
#include "pages/transparent/CPageTransparent.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace nuvex3 {

struct PageSet {
    // Connects the pages that ask each other (the air patch page finds its
    // characteristic's handle in the remote attribute table).
    PageSet();
    PageSet(const PageSet&) = delete;
    PageSet& operator=(const PageSet&) = delete;

    CPageCommon common;
    CPageGAP gap;
    CPassKeyPage passKey;
    CPageTransparent transparent;
    CPageAdvEditor advEditor;
    CPageGATTClient gattClient;
    CPageGATTServer gattServer;
    CPageGATTTable gattTable;
    CPageGATTServerTable gattServerTable;
    CPageSMP smp;
    CPageWeightScale weightScale;
    CPageHeartRate heartRate;
    CPageHealthThermometer healthThermometer;
    CPageBloodPressure bloodPressure;
    CPageLESC lesc;
    CPageGpio gpio;
    CPageGlucose glucose;
    CTestPage testPage;
    CPageAirPatch airPatch;
    CPageDemoCorvane demoCorvane;
    CPageMeshTransmit meshTransmit;
    CPageMeshReceive meshReceive;
    CPageMeshEvent meshEvent;
    CPageAutoTest autoTest;

    // Every page, in construction order.
    std::vector<CPageBase*> all();
    // The 18 pages of the sheet, in tab order at start-up.
    std::vector<CPageBase*> sheet();
    // The profile pages with their flag, in flag order.
    std::vector<std::pair<std::uint8_t, CPageBase*>> profiles();
    // The pages built but not in the sheet at start-up, which the "View" menu shows.
    std::vector<CPageBase*> extras();
    // The profile page a table event's selector names, or nullptr.
    CProfilePage* profileBySelector(int selector);
    // The pages that get the command layer on Connect.
    std::vector<CPageBase*> layerUsers();
    // The pages enabled while connected and disabled otherwise (of the transparent page,
    // only its "Pull High" button).
    std::vector<CPageBase*> enabledWhileConnected();
    // The pages whose link table copy is emptied when the module and all links are idle.
    std::vector<CPageBase*> clearedWhenIdle();
};

} // namespace nuvex3
