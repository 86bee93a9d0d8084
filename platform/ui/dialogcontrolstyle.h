// The style of the check boxes and radio buttons templates create: the
// desktop's own look with the indicator and gap Windows gives them (13 px
// and 3 px), so a caption fits the width its template was laid out for.
#pragma once

class QStyle;

namespace orvane::ui {

// One per application; it lives as long as the application.
QStyle* DialogControlStyle();

}  // namespace orvane::ui
