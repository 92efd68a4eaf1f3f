// What a browser sends when a form is submitted: the form data set of its controls, encoded for
// the form's method and encoding type, addressed to its action.
#pragma once
#include <vector>

#include "host/engine/NavigationRequest.h"
#include "host/engine/PageDocument.h"
#include "host/engine/Url.h"

// The navigation that submits `form`: GET to the action with the data as its query, or POST with
// the data as body (application/x-www-form-urlencoded, or multipart/form-data when the form asks).
NavigationRequest BuildFormSubmission(const PageDocument& document, PageNode form, PageNode submitter);
