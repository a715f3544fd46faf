#pragma once
// Buttons, labels and captions the input dialogs and the exit confirmation set
// when they open. Prompts that a command passes in are in command_texts.h.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Buttons shared by the input dialogs.
extern const TextEntry kOkEnter;  // "OK" (confirming button of the password dialog)
extern const TextEntry kOkSet;    // "OK" (confirming button 1 of the other OK-style dialogs)
extern const TextEntry kSet;      // "Set"
extern const TextEntry kCancel;   // "Cancel"

// Password dialog of the graduation start and the password-to-all button.
extern const TextEntry kEnterPasswordPrompt;  // "Enter password"

// Emitter power and channel correction factor dialogs.
extern const TextEntry kAsInGraduation;            // "As in graduation"
extern const TextEntry kInProportionToGraduation;  // "In proportion to graduation"
extern const TextEntry kIrrespectiveOfGraduation;  // "Irrespective of graduation"
extern const TextEntry kSetOne;                    // "Set 1"
extern const TextEntry kReferenceChannelLevel;     // "Reference channel level"
extern const TextEntry kWorkingChannelLevel;       // "Working channel level"

// Graduation concentrations dialog.
extern const TextEntry kEnterConcentrationsForCalibration;  // "Enter concentrations for the calibration"
extern const TextEntry kMediumMixtureConc;                  // "Concentration of medium mixture, vol.%"
extern const TextEntry kHighMixtureConc;                    // "Concentration of high mixture, vol.%"

// Modbus address and baud rate dialog ("&&" shows one "&").
extern const TextEntry kPollNumber;           // "Poll number"
extern const TextEntry kAssignNumberAndBaud;  // "Assign number && baud rate"

// Heating limit dialog; its two choices are kSwitchesUpper.
extern const TextEntry kHeating;  // "Heating"

// Axis dialog caption (after one blank); its choices are kAxisModes.
extern const TextEntry kEnterTheValue;  // "Enter the value"
// The axis end it sets, over its choices.
extern const TextEntry kAxisXMin;  // "X axis minimum"
extern const TextEntry kAxisXMax;  // "X axis maximum"
extern const TextEntry kAxisYMin;  // "Y axis minimum"
extern const TextEntry kAxisYMax;  // "Y axis maximum"

// Recording schedule dialog; rows are captioned kStage, columns kScheduleEnds.
extern const TextEntry kEnterSchedule;  // "Enter the schedule:"

// Exit confirmation.
extern const TextEntry kExitCaption;   // "Exit"
extern const TextEntry kExitQuestion;  // "Exit the program?"
extern const TextEntry kYes;           // "Yes"
extern const TextEntry kNo;            // "No"

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllDialogTexts();

}  // namespace kvl::txt
