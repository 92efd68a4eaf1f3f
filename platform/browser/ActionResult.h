// What became of something a user did in a browser window.
#pragma once

enum class ActionResult {
  Done,
  NotFound,  // no such field, form or link, or no page to go back to
  Refused,   // the browser would not do it (a web page's link to a local file; the window closed)
};
