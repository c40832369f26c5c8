// The gateway's answer to the action "send": returnstatus, message,
// remainpoint, taskID and successCounts under the root element, whatever the
// root is called. The send window and the preview window derive from it, so
// each keeps its own five variables for as long as it is open.
#pragma once

#include <string>

class pbdom_element;

class n_send_answer {
public:
    std::string returnstatus;   // "success" or "faild", compared lower-cased
    std::string mess;           // the element "message"
    std::string remainpoint;
    std::string taskid;
    std::string successcounts;

    // Reads the root element's direct children by lower-cased name with the
    // manager's one reading rule: text nodes and blank elements are passed
    // over, so a missing or blank element keeps the value of an earlier
    // answer. 1, or -1 (nothing touched) when the element has no child nodes.
    int of_explain_row(const pbdom_element& pobj_element);

    // Reads one answer text as both windows do: rt::xml_well_formed when it
    // is XML and its root has been read, otherwise the parse's error code
    // with the five variables untouched. The status is cleared before the
    // reading, so that an answer without one never repeats the verdict of
    // the answer before; the other four keep what earlier answers gave.
    int of_read_answer(const std::string& as_answer);
};
