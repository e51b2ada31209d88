#include "actions/superaction.h"

TCustomSuperAction::TCustomSuperAction(QString name, QString category, TActionParams &params)
    : params_(params), name_(std::move(name)), category_(std::move(category))
{
}

void TCustomSuperAction::Execute()
{
    if (!Enabled)
        return;
    if (IsToggle())
        SetChecked(Checked());
    params_.Prepared = true;
    params_.ParamList.clear();
    if (OnPrepare)
        OnPrepare();
    if (params_.Prepared && ExecutionHandler())
        ExecutionHandler()();
}

void TtoggleAction::SetChecked(bool value)
{
    Caption = value ? TrueCaption : FalseCaption;
    Hint = value ? TrueHint : FalseHint;
    ImageIndex = value ? TrueImageIndex : FalseImageIndex;
    TCustomSuperAction::SetChecked(value);
}
