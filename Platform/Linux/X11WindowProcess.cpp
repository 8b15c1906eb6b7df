#include "Platform/Linux/X11WindowProcess.h"

namespace vesperline::platform {

X11WindowProcessRequest requestWindowProcess(X11Connection& x11, xcb_window_t window) {
    X11WindowProcessRequest request{
        std::nullopt, x11.requestProperty(window, x11.ewmh()->_NET_WM_PID, XCB_ATOM_CARDINAL, 1)};
    if (x11.hasClientResources()) {
        const xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        request.client = xcb_res_query_client_ids(x11.connection(), 1, &spec);
    }
    return request;
}

std::optional<std::int32_t> windowProcess(X11Connection& x11, const X11WindowProcessRequest& request) {
    std::optional<std::int32_t> pid;
    if (request.client) {
        const auto ids = x11Reply(xcb_res_query_client_ids_reply(x11.connection(), *request.client, nullptr));
        for (auto it = ids ? xcb_res_query_client_ids_ids_iterator(ids.get())
                           : xcb_res_client_id_value_iterator_t{};
             ids && it.rem; xcb_res_client_id_value_next(&it)) {
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) && it.data->length >= 4) {
                pid = static_cast<std::int32_t>(*xcb_res_client_id_value_value(it.data));
            }
        }
    }
    // Always collected, so no reply is left waiting on the connection.
    const std::optional<std::uint32_t> declared = x11.cardinalProperty(request.declared);
    if (!pid && declared) {
        pid = static_cast<std::int32_t>(*declared);
    }
    return pid;
}

std::vector<std::optional<std::int32_t>> windowProcesses(X11Connection& x11,
                                                         const std::vector<xcb_window_t>& windows) {
    std::vector<X11WindowProcessRequest> requests;
    requests.reserve(windows.size());
    for (xcb_window_t window : windows) {
        requests.push_back(requestWindowProcess(x11, window));
    }
    std::vector<std::optional<std::int32_t>> processes;
    processes.reserve(windows.size());
    for (const X11WindowProcessRequest& request : requests) {
        processes.push_back(windowProcess(x11, request));
    }
    return processes;
}

} // namespace vesperline::platform
