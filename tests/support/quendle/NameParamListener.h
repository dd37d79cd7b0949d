#pragma once

#include "Quendle/AppCommon/QuendleConfigClient.h"

#include <QList>

#include <list>
#include <string>
#include <utility>

/// Records the name-and-parameter answers a widget would be told.
class cNameParamListener : public Quendle::cZUNetWidgetClientInterface
{
public:
    void NetObjectNamesAndParametersReceived(
        Quendle::eRequestNameParamStatusCode status, const std::list<std::pair<std::string, UWORD>>& entries) override
    {
        mStatuses.append(status);
        mAnswers.append(entries);
    }
    QList<int> mStatuses;
    QList<std::list<std::pair<std::string, UWORD>>> mAnswers;
};
