#include "Platform/Dialogs/DialogOwnerLink.h"

#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace QZ::Platform {
namespace {

// The longest window list read: far more windows than a desktop shows.
constexpr std::uint32_t kMaxWindows = 4096;
// _NET_WM_STATE's client message: add a state, asked for by an application.
constexpr std::uint32_t kStateAdd = 1;
constexpr std::uint32_t kSourceApplication = 1;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

} // namespace

struct DialogOwnerLink::Connection {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  xcb_atom_t clientList = XCB_ATOM_NONE;
  xcb_atom_t pid = XCB_ATOM_NONE;
  xcb_atom_t state = XCB_ATOM_NONE;
  xcb_atom_t modal = XCB_ATOM_NONE;

  ~Connection() {
    if (connection != nullptr)
      xcb_disconnect(connection);
  }

  // Null when there is no X server to talk to.
  static std::unique_ptr<Connection> Open() {
    auto x = std::make_unique<Connection>();
    int screenNumber = 0;
    x->connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x->connection) != 0)
      return nullptr;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x->connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
      xcb_screen_next(&screens);
    if (screens.rem == 0)
      return nullptr;
    x->root = screens.data->root;
    const char* names[] = {"_NET_CLIENT_LIST", "_NET_WM_PID", "_NET_WM_STATE", "_NET_WM_STATE_MODAL"};
    xcb_atom_t* atoms[] = {&x->clientList, &x->pid, &x->state, &x->modal};
    xcb_intern_atom_cookie_t cookies[4];
    for (int i = 0; i < 4; ++i)
      cookies[i] = xcb_intern_atom(x->connection, 0, static_cast<std::uint16_t>(std::string_view(names[i]).size()),
                                   names[i]);
    bool complete = true;
    for (int i = 0; i < 4; ++i) {
      xcb_generic_error_t* error = nullptr;
      xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(x->connection, cookies[i], &error);
      if (reply != nullptr)
        *atoms[i] = reply->atom;
      complete = complete && reply != nullptr;
      std::free(reply);
      std::free(error);
    }
    return complete ? std::move(x) : nullptr;
  }

  // The values of a 32-bit property of the window (none when it has none or is gone).
  std::vector<std::uint32_t> ReadList(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) const {
    std::vector<std::uint32_t> values;
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, kMaxWindows), &error);
    if (reply != nullptr && reply->format == 32) {
      const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
      values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    std::free(error);
    return values;
  }

  // The windows a dialog can be: those the window manager lists, or without one the mapped top-level windows.
  std::vector<xcb_window_t> Candidates() const {
    std::vector<xcb_window_t> windows = ReadList(root, clientList, XCB_ATOM_WINDOW);
    if (!windows.empty())
      return windows;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (tree == nullptr)
      return windows;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (int i = 0; i < count; ++i)
      cookies.push_back(xcb_get_window_attributes(connection, children[i]));
    for (int i = 0; i < count; ++i) {
      xcb_generic_error_t* error = nullptr;
      xcb_get_window_attributes_reply_t* attributes =
          xcb_get_window_attributes_reply(connection, cookies[static_cast<std::size_t>(i)], &error);
      if (attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
          attributes->override_redirect == 0)
        windows.push_back(children[i]);
      std::free(attributes);
      std::free(error);
    }
    std::free(tree);
    return windows;
  }
};

DialogOwnerLink::DialogOwnerLink(std::uint64_t ownerWindow)
    : mOwner(ownerWindow), mStartedMs(NowMs()), mNextLookMs(mStartedMs), mDone(ownerWindow == 0) {}

DialogOwnerLink::~DialogOwnerLink() = default;

bool DialogOwnerLink::Poll(int pid) {
  if (mDone || pid <= 0)
    return true;
  const std::int64_t now = NowMs();
  if (now < mNextLookMs)
    return false;
  mNextLookMs = now + kLookEveryMs;
  if (now - mStartedMs > kGiveUpAfterMs || Look(static_cast<std::uint32_t>(pid))) {
    mX.reset();
    mDone = true;
  }
  return mDone;
}

bool DialogOwnerLink::Look(std::uint32_t pid) {
  if (!mX) {
    mX = Connection::Open();
    if (!mX)
      return true; // no X server: nothing to link on
  }
  xcb_connection_t* c = mX->connection;
  if (xcb_connection_has_error(c) != 0)
    return true;
  std::vector<xcb_window_t> windows;
  std::vector<xcb_get_property_cookie_t> cookies;
  for (const xcb_window_t window : mX->Candidates()) {
    if (mForeign.count(window) == 0) {
      windows.push_back(window);
      cookies.push_back(xcb_get_property(c, 0, window, mX->pid, XCB_ATOM_CARDINAL, 0, 1));
    }
  }
  xcb_window_t found = XCB_WINDOW_NONE;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookies[i], &error);
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) == 4) {
      const std::uint32_t windowPid = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
      if (found == XCB_WINDOW_NONE && windowPid == pid)
        found = windows[i];
      else
        mForeign.insert(windows[i]);
    }
    std::free(reply);
    std::free(error);
  }
  if (found == XCB_WINDOW_NONE)
    return false;

  const xcb_window_t owner = static_cast<xcb_window_t>(mOwner);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, found, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1, &owner);
  // A mapped window's state is changed by asking the window manager.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = found;
  message.type = mX->state;
  message.data.data32[0] = kStateAdd;
  message.data.data32[1] = mX->modal;
  message.data.data32[3] = kSourceApplication;
  xcb_send_event(c, 0, mX->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  // A round trip: the server has taken both requests before the connection closes.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  mLinked = true;
  return true;
}

} // namespace QZ::Platform
