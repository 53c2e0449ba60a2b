// The routing of the profile pages and the customer demo page: a peer's write to a control
// point (the heart rate control point, the thermometer's measurement interval, the glucose
// record access control point) and the touch panel's demo event.

#include "app/EventRouter.h"

#include "app/PageSet.h"
#include "framework/MainWindow.h"

namespace nuvex3 {

void EventRouter::profileControlPoint(int kind, const Record& record) {
    // [4..5] the written attribute handle, least significant byte first.
    PageSet& pages = t_.pages;
    for (CProfilePage* page : std::initializer_list<CProfilePage*>{
             &pages.heartRate, &pages.healthThermometer, &pages.glucose}) {
        if (!isHandle(page->controlPointHandle(), record[5], record[4]))
            continue;
        page->receive(kind, record);
        if (page == &pages.glucose)
            t_.window.activatePage(pages.glucose);
    }
}

void EventRouter::customerDemo(int kind, const Record& record) {
    t_.pages.demoCorvane.receive(kind, record);
}

} // namespace nuvex3
