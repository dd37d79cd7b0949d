#pragma once

class QQmlEngine;

/// Defined by each Qt Quick Test executable: registers what its QML needs (the layers' real
/// registration functions and the test's own small fakes). Called once per QML engine.
void RegisterQuickTestTypes(QQmlEngine* engine);
