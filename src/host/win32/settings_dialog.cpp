#include "host/win32/settings_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "host/picture_choice.h"
#include "host/settings.h"
#include "host/win32/registry_settings.h"
#include "host/win32/saver_picture.h"
#include "host/win32/resource.h"
#include "platform/diagnostics.h"

namespace bw::host {
namespace {

// What the picture list shows for a random choice.
constexpr const char* kRandomLabel = "Random";

// The dialog's state, reached through the dialog's user data.
struct DialogState {
  const char* title;
  std::vector<std::string> choices;  // the list's entries in order: pictures, then "random"
};

// An edit box, its spin control and the setting they hold.
struct NumberField {
  int edit;
  int spin;
  const NumberSetting* setting;
};
constexpr NumberField kFields[] = {{BW_EDIT_SPEED, BW_SPIN_SPEED, &kSpeedSetting},
                                   {BW_EDIT_DELAY, BW_SPIN_DELAY, &kDelaySetting}};

// A value in force is one the reader accepted, so it lies within the limits; the clamp
// only keeps a default that someone changed from leaving them.
uint32_t within(float value, const NumberSetting& setting) {
  if (!(value > static_cast<float>(setting.low))) return setting.low;
  if (value >= static_cast<float>(setting.high)) return setting.high;
  return static_cast<uint32_t>(value);
}

void show_values_in_force(HWND dialog, const std::string& choice) {
  auto storage = RegistrySettings::for_picture(settings_key_of(choice));
  Settings in_force;
  read_settings(storage, in_force);
  const float values[] = {in_force.speed, in_force.delay};
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const NumberField& field = kFields[i];
    SendDlgItemMessageA(dialog, field.spin, UDM_SETRANGE32, field.setting->low,
                        field.setting->high);
    const uint32_t value = within(values[i], *field.setting);
    SendDlgItemMessageA(dialog, field.spin, UDM_SETPOS32, 0, static_cast<LPARAM>(value));
    SetDlgItemTextA(dialog, field.edit, std::to_string(value).c_str());
  }
}

// The picture list: the pictures the installation holds and Random, the choice in force
// selected (a stored picture that is not installed shows as the default one).
void show_pictures(HWND dialog, DialogState& state) {
  const Installation installation = find_installation(Settings());
  if (!installation.found.empty()) {
    assets::Installation data(installation.found);
    state.choices = installed_pictures(data);
  }
  if (state.choices.empty()) state.choices = {std::string(kDefaultPicture)};
  state.choices.emplace_back(kRandomPicture);
  const std::string stored = stored_picture_choice();
  size_t selected = 0;
  bool found = false;
  for (size_t i = 0; i < state.choices.size(); ++i) {
    const std::string& choice = state.choices[i];
    SendDlgItemMessageA(dialog, BW_COMBO_PICTURE, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(choice == kRandomPicture ? kRandomLabel
                                                                          : choice.c_str()));
    if (choice == stored) {
      selected = i;
      found = true;
    } else if (choice == kDefaultPicture && !found) {
      selected = i;
    }
  }
  SendDlgItemMessageA(dialog, BW_COMBO_PICTURE, CB_SETCURSEL, selected, 0);
}

// The choice the picture list shows.
std::string selected_choice(HWND dialog, const DialogState& state) {
  const LRESULT index = SendDlgItemMessageA(dialog, BW_COMBO_PICTURE, CB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= state.choices.size())
    return std::string(kDefaultPicture);
  return state.choices[static_cast<size_t>(index)];
}

// "Save": both boxes must hold a number the saver takes; the first that does not gets a
// message and the focus, and nothing is stored. True when the dialog may close.
bool save(HWND dialog, DialogState& state) {
  uint32_t numbers[std::size(kFields)] = {};
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const NumberField& field = kFields[i];
    char text[32] = {};
    GetDlgItemTextA(dialog, field.edit, text, sizeof text);
    const auto number = parse_setting_entry(text, *field.setting);
    if (!number) {
      MessageBoxA(dialog, setting_entry_rule(*field.setting).c_str(), state.title,
                  MB_OK | MB_ICONEXCLAMATION);
      const HWND edit = GetDlgItem(dialog, field.edit);
      SetFocus(edit);
      SendMessageA(edit, EM_SETSEL, 0, -1);
      return false;
    }
    numbers[i] = *number;
  }
  // The numbers go under the chosen picture's own key, the choice under the vendor's.
  const std::string choice = selected_choice(dialog, state);
  auto storage = RegistrySettings::for_picture(settings_key_of(choice));
  auto choice_storage = picture_choice_storage();
  const bool stored = storage.store_speed_and_delay(numbers[0], numbers[1]);
  if (!stored || !choice_storage.store_text(kPictureValue, choice)) {
    const std::string text = "The settings were not saved: " +
                             (stored ? choice_storage.store_error() : storage.store_error());
    diag::say("brushwright: " + text);
    MessageBoxA(dialog, text.c_str(), state.title, MB_OK | MB_ICONWARNING);
  }
  return true;
}

INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      state = reinterpret_cast<DialogState*>(lparam);
      show_pictures(dialog, *state);
      show_values_in_force(dialog, selected_choice(dialog, *state));
      return TRUE;
    case WM_COMMAND:
      // Another picture shows its own Speed and Delay.
      if (LOWORD(wparam) == BW_COMBO_PICTURE && HIWORD(wparam) == CBN_SELCHANGE) {
        show_values_in_force(dialog, selected_choice(dialog, *state));
        return TRUE;
      }
      if (LOWORD(wparam) == IDOK) {
        if (save(dialog, *state)) EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int run_settings_dialog(HINSTANCE instance, HWND parent, const char* title) {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&controls);
  DialogState state{title, {}};
  DialogBoxParamA(instance, MAKEINTRESOURCEA(BW_DIALOG_SETTING), parent, settings_dialog_proc,
                  reinterpret_cast<LPARAM>(&state));
  return 1;
}

}  // namespace bw::host
