#include <qpa/qplatformintegrationplugin.h>

// Lives in a library that is built under another name than the one the plugin asks the loader
// for, so that the loader never finds it.
int zumora_missing_library_function();

// A platform plugin that Qt finds by its key and cannot load: it needs a library that is not
// there, as a plugin does whose package left out one of its dependencies.
class BrokenPlatformPlugin : public QPlatformIntegrationPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QPlatformIntegrationFactoryInterface_iid FILE "platform_plugin.json")

public:
    QPlatformIntegration* create(const QString&, const QStringList&) override {
        zumora_missing_library_function();
        return nullptr;
    }
};

#include "platform_plugin.moc"
